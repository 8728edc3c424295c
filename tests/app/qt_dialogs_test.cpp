// The production dialogs: the file filter translation and real QMessageBoxes answered by key.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "app/dialog_filter.h"
#include "app/qt_dialogs.h"
#include "window_fixture.h"

namespace velmar::testing {
namespace {

TEST(DialogFilter, TranslatesDescriptionPatternPairs) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"MOT & HEX|*.mot;*.hex|Mot Files (*.mot)|*.mot|Hex Files (*.hex)|*.hex|All Files "
         "(*.*)|*.*",
         {"MOT & HEX (*.mot *.hex)", "Mot Files (*.mot)", "Hex Files (*.hex)", "All Files (*)"}},
        {"Shown (*.txt)|*.doc", {"Shown (*.txt) (*.doc)"}},
        {"Text|*.txt", {"Text (*.txt)"}},
        {"Dangling|*.a|Lonely", {"Dangling (*.a)"}},
        {"Gaps|*.a;;*.b", {"Gaps (*.a *.b)"}},
        {"", {}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(qtNameFilters(filter), expected) << filter;
}

// Runs `act` on the modal box once it is up, while the dialog's own loop runs.
void whenBoxShows(std::function<void(QMessageBox&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(*box);
    });
    timer->start();
}

TEST(QtDialogs, QuestionsAnswerTheirNegativeButtonUnlessThePositiveIsPressed) {
    application();
    QtDialogs dialogs;
    MessageRequest confirm;
    confirm.text = "first line\r\nsecond line";
    confirm.title = "Rewriting of software";
    confirm.buttons = MessageButtons::OkCancel;
    confirm.cancelIsDefault = true;
    confirm.icon = MessageIcon::Warning;
    MessageRequest question = confirm;
    question.buttons = MessageButtons::YesNo;

    const auto press = [](QMessageBox::StandardButton which) {
        return [which](QMessageBox& box) { box.button(which)->click(); };
    };
    const auto key = [](Qt::Key which) {
        return [which](QMessageBox& box) { QTest::keyClick(&box, which); };
    };
    const auto close = [](QMessageBox& box) { box.close(); };
    struct Case {
        const char* name;
        const MessageRequest& request;
        std::function<void(QMessageBox&)> act;
        MessageAnswer expected;
    };
    const Case cases[] = {
        {"Enter", confirm, key(Qt::Key_Return), MessageAnswer::Cancel},
        {"Escape", confirm, key(Qt::Key_Escape), MessageAnswer::Cancel},
        {"close", confirm, close, MessageAnswer::Cancel},
        {"OK", confirm, press(QMessageBox::Ok), MessageAnswer::Ok},
        {"Enter on Yes/No", question, key(Qt::Key_Return), MessageAnswer::No},
        {"Escape on Yes/No", question, key(Qt::Key_Escape), MessageAnswer::No},
        {"close on Yes/No", question, close, MessageAnswer::No},
        {"Yes", question, press(QMessageBox::Yes), MessageAnswer::Yes},
        {"nobody left to ask", question, [&](QMessageBox&) { dialogs.stopAsking(); },
         MessageAnswer::No},
    };
    for (const auto& c : cases) {
        QString seenText, seenTitle;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        int buttons = 0;
        whenBoxShows([&](QMessageBox& box) {
            seenText = box.text();
            seenTitle = box.windowTitle();
            seenIcon = box.icon();
            buttons = static_cast<int>(box.buttons().size());
            c.act(box);
        });
        EXPECT_EQ(dialogs.messageBox(c.request), c.expected) << c.name;
        EXPECT_EQ(seenText, "first line\nsecond line");
        EXPECT_EQ(seenTitle, "Rewriting of software");
        EXPECT_EQ(seenIcon, QMessageBox::Warning);
        EXPECT_EQ(buttons, 2) << c.name;
    }
    // Once nobody is left to ask, later boxes go to stderr and are answered at once.
    MessageRequest failure;
    failure.text = "Writing failure";
    failure.title = "ERROR";
    failure.detail = "Stopped on request";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dialogs.messageBox(question), MessageAnswer::No);
    EXPECT_EQ(dialogs.messageBox(failure), MessageAnswer::Ok);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Rewriting of software: first line\r\nsecond line\n"
              "ERROR: Writing failure (Stopped on request)\n");
}

TEST(QtDialogs, AQuestionReturnsAtOnceAndIsAnsweredLater) {
    application();
    MessageRequest question;
    question.text = "Stop?";
    question.title = "Velmar Software Writer";
    question.buttons = MessageButtons::YesNo;
    question.cancelIsDefault = true;
    struct Case {
        const char* name;
        std::function<void(QtDialogs&, QMessageBox&)> act;
        std::optional<MessageAnswer> expected;
    };
    const Case cases[] = {
        {"Yes", [](QtDialogs&, QMessageBox& box) { box.button(QMessageBox::Yes)->click(); },
         MessageAnswer::Yes},
        {"closed", [](QtDialogs&, QMessageBox& box) { box.close(); }, MessageAnswer::No},
        {"nobody left to ask", [](QtDialogs& d, QMessageBox&) { d.stopAsking(); },
         MessageAnswer::No},
        {"withdrawn", [](QtDialogs& d, QMessageBox&) { d.withdrawQuestion(); }, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QtDialogs dialogs;
        std::optional<MessageAnswer> answer;
        dialogs.ask(question, [&](MessageAnswer a) { answer = a; });
        EXPECT_FALSE(answer.has_value()) << "the caller goes on while the box is open";
        QCoreApplication::processEvents();
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Stop?");
        c.act(dialogs, *box);
        QCoreApplication::processEvents();
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST(QtDialogs, MessagesCarryTheirIconAndCause) {
    application();
    QtDialogs dialogs;
    const std::pair<MessageIcon, QMessageBox::Icon> icons[] = {
        {MessageIcon::None, QMessageBox::NoIcon},
        {MessageIcon::Warning, QMessageBox::Warning},
        {MessageIcon::Information, QMessageBox::Information},
        {MessageIcon::Stop, QMessageBox::Critical},
    };
    for (const auto& [icon, qtIcon] : icons) {
        MessageRequest request;
        request.text = "Connection failure";
        request.title = "ERROR";
        request.icon = icon;
        request.detail = "No such device";
        QMessageBox::Icon seen = QMessageBox::NoIcon;
        QString informative;
        whenBoxShows([&](QMessageBox& box) {
            seen = box.icon();
            informative = box.informativeText();
            QTest::keyClick(&box, Qt::Key_Return);
        });
        EXPECT_EQ(dialogs.messageBox(request), MessageAnswer::Ok);
        EXPECT_EQ(seen, qtIcon);
        EXPECT_EQ(informative, "No such device");
    }
}

}  // namespace
}  // namespace velmar::testing
