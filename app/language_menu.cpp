#include "app/language_menu.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>

namespace velmar {

namespace {

struct LanguageEntry {
    Language language;
    const char* name;
    const char* objectName;
    // Told in the chosen language, since the window goes on in the other one until it restarts.
    const char* takesEffect;
    const char* notSaved;
};

constexpr LanguageEntry kEntries[] = {
    {Language::English, "English", "mnuLanguage_en",
     "The window shows its texts in English from its next start.",
     "The language could not be saved; the settings file is not writable."},
    {Language::Japanese, "日本語", "mnuLanguage_ja", "次回の起動から日本語で表示します。",
     "言語を保存できませんでした。設定ファイルに書き込めません。"},
};

// The menu's title, in the language on the screen.
QString languageTitle() {
    return QCoreApplication::translate("velmar::LanguageMenu", "言語");
}

void tell(QWidget& window, const char* text) {
    auto* box = new QMessageBox(QMessageBox::Information, languageTitle(), QString::fromUtf8(text),
                                QMessageBox::Ok, &window);
    box->setObjectName("languageNote");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace

void addLanguageMenu(QMainWindow& window, Language current,
                     std::function<bool(Language)> remember) {
    auto* settings = window.findChild<QMenu*>("mnuSetting");
    if (settings == nullptr) return;
    QMenu* menu = settings->addMenu(languageTitle());
    menu->setObjectName("mnuLanguage");
    auto* group = new QActionGroup(menu);
    for (const LanguageEntry& entry : kEntries) {
        QAction* action = menu->addAction(QString::fromUtf8(entry.name));
        action->setObjectName(entry.objectName);
        action->setCheckable(true);
        action->setChecked(entry.language == current);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, &window,
                         [&window, &entry, current, remember] {
                             const bool saved = remember(entry.language);
                             // Back to the language on the screen: nothing changes at the next
                             // start.
                             if (saved && entry.language == current) return;
                             tell(window, saved ? entry.takesEffect : entry.notSaved);
                         });
    }
}

}  // namespace velmar
