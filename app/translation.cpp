#include "app/translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace velmar {

namespace {

// The context of the texts marked with VELMAR_TR_NOOP, whatever layer they live in.
constexpr const char* kContext = "velmar";

// Words other texts are built around: a load refusal's line number and the menu a broken
// port assignment points to.
constexpr const char* kEmbeddedWords[] = {
    QT_TRANSLATE_NOOP("velmar", "行番号"),
    QT_TRANSLATE_NOOP("velmar", "設定 / ポートの割り当て..."),
};

// The port pin command's results: the protocol layer reports them as the radio's own words,
// the window shows them in its text box.
[[maybe_unused]] constexpr const char* kPinResultWords[] = {
    QT_TRANSLATE_NOOP("velmar", "L出力"),
    QT_TRANSLATE_NOOP("velmar", "H出力"),
    QT_TRANSLATE_NOOP("velmar", "L入力"),
    QT_TRANSLATE_NOOP("velmar", "H入力"),
};

QTranslator& translator() {
    static QTranslator instance;
    return instance;
}

}  // namespace

std::optional<Language> languageNamed(std::string_view name) {
    if (name == "ja") return Language::Japanese;
    if (name == "en") return Language::English;
    return std::nullopt;
}

const char* languageCode(Language language) {
    return language == Language::English ? "en" : "ja";
}

bool useLanguage(Language language) {
    QCoreApplication::removeTranslator(&translator());
    if (language == Language::Japanese) return true;
    if (!translator().load(":/translations/velmar-writer_en.qm")) return false;
    return QCoreApplication::installTranslator(&translator());
}

QString shownText(const std::string& text) {
    const QByteArray source = QByteArray::fromStdString(text);
    QString shown = QCoreApplication::translate(kContext, source.constData());
    if (shown != QString::fromUtf8(source)) return shown;
    for (const char* word : kEmbeddedWords) {
        const QString original = QString::fromUtf8(word);
        if (shown.contains(original))
            shown.replace(original, QCoreApplication::translate(kContext, word));
    }
    return shown;
}

QString statusText(const char* text) {
    return QCoreApplication::translate("velmar::StatusPanel", text);
}

}  // namespace velmar
