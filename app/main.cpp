// velmar-writer: the window on the real serial port, the real event loop and Qt's dialogs.

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "app/default_firmware_path.h"
#include "app/display_check.h"
#include "app/frm_main.h"
#include "app/language_menu.h"
#include "app/parent_console.h"
#include "app/qt_dialogs.h"
#include "app/recent_folder.h"
#include "app/session_end.h"
#include "app/termination_signals.h"
#include "app/translation.h"
#include "app/window_texts.h"
#include "files/descriptor_stream.h"
#include "files/regular_file.h"
#include "link/byte_trace.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_language_setting.h"
#include "platform/qt/qt_serial_devices.h"
#include "platform/qt/system_serial_control.h"
#include "records/service_log.h"
#include "wording/load_words.h"

namespace {

QCommandLineOption traceOption() {
    return QCommandLineOption(
        "trace",
        "Record every byte sent to and received from the radio, with its line speed and a "
        "timestamp, in <file> (for support, when a radio fails).",
        "file");
}

QCommandLineOption languageOption() {
    return QCommandLineOption(
        "language",
        "Show the window in <language>: ja (Japanese, the default) or en (English). Without "
        "it, the language chosen in the Language menu is used.",
        "language");
}

// The command line's choice, else the one saved, else Japanese; never the system's locale.
std::optional<velmar::Language> chosenLanguage(const QCommandLineParser& parser,
                                               const velmar::QtLanguageSetting& setting) {
    if (parser.isSet("language"))
        return velmar::languageNamed(parser.value("language").toStdString());
    return velmar::languageNamed(setting.load()).value_or(velmar::Language::Japanese);
}

void describeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Rewrites the firmware of a Velmar radio over a serial port.\n"
        "Every rewrite is recorded in the service log; 'velmar-fw log' lists it.");
    parser.addHelpOption();
    // -V, as in velmar-fw and velmar-radio, where -v is --verbose.
    parser.addOption(QCommandLineOption({"V", "version"}, "Displays version information."));
    parser.addOption(traceOption());
    parser.addPositionalArgument(
        "firmware", "The firmware file to load instead of the default one.", "[firmware]");
    parser.addOption(languageOption());
}

// --help and --version need no display: they are answered before the window's application
// exists. `toOutput`: print the help on stdout even where Qt would show it in a message box.
void answerHelp(int argc, char* argv[], bool toOutput) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "-V" || word == "--version") {
            std::printf("velmar-writer %s\n", VELMAR_VERSION);
            std::exit(0);
        }
        if (word != "-h" && word != "--help" && word != "-?" && word != "--help-all") continue;
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName("velmar-writer");
        QCommandLineParser parser;
        describeOptions(parser);
        if (toOutput) {
            std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
            std::exit(0);
        }
        parser.process(core);  // prints the help and exits
    }
}

// A Japanese Gothic face for the window's texts, whichever of these is installed. Windows has
// its own; the IPA faces come last there too for wine, which borrows the system's fonts.
QStringList gothicFaces() {
#ifdef _WIN32
    return {"MS UI Gothic", "Meiryo UI", "Yu Gothic UI", "IPAPGothic"};
#else
    return {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP"};
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
#ifdef _WIN32
    // Qt shows the help in a message box unless it sees a console window, which neither a
    // redirection nor wine's console is.
    answerHelp(argc, argv, velmar::useParentConsole());
#else
    answerHelp(argc, argv, false);
    if (velmar::displayMissing(argc, argv, [](const char* name) { return std::getenv(name); })) {
        std::fprintf(stderr,
                     "velmar-writer: no display: start it in a desktop session, where DISPLAY or "
                     "WAYLAND_DISPLAY is set\n");
        return 1;
    }
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName("velmar-writer");
    QApplication::setWindowIcon(QIcon(":/icons/velmar-writer.png"));

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(application);

    // A file named on the command line (an open from the desktop) replaces the default file.
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "velmar-writer: one firmware file at most\n");
        return 1;
    }
    velmar::QtLanguageSetting languageSetting;
    const std::optional<velmar::Language> language = chosenLanguage(parser, languageSetting);
    if (!language) {
        std::fprintf(stderr, "velmar-writer: --language takes ja or en, not %s\n",
                     parser.value("language").toLocal8Bit().constData());
        return 1;
    }
    if (!velmar::useLanguage(*language))
        std::fprintf(stderr, "velmar-writer: the English texts could not be loaded\n");

    const std::string defaultFirmwarePath =
        files.isEmpty()
            ? velmar::defaultFirmwarePath(QApplication::applicationDirPath().toStdString())
            : QFileInfo(files.front()).absoluteFilePath().toStdString();
    // Opened before the window so a path that cannot be written stops here, not mid-rewrite;
    // never the firmware the window loads, the service log or the settings, nor a FIFO, a
    // terminal or the serial device.
    std::unique_ptr<velmar::DescriptorStream> traceFile;
    std::unique_ptr<velmar::ByteTrace> trace;
    if (parser.isSet("trace")) {
        const std::string tracePath = parser.value("trace").toStdString();
        const velmar::OpenedForWriting opened = velmar::openFileForWriting(
            tracePath,
            {.append = false,
             .keep = {{defaultFirmwarePath, velmar::KeptRole::Firmware},
                      {velmar::serviceLogPath(), velmar::KeptRole::ServiceLog},
                      {QFile::encodeName(velmar::QtPortAssignmentStore().fileName()).toStdString(),
                       velmar::KeptRole::Settings}},
             .devicesToo = false});
        if (!opened.ok()) {
            std::fprintf(stderr, "velmar-writer: cannot write the trace %s: %s\n",
                         tracePath.c_str(), velmar::describeWriteRefusal(opened).c_str());
            return 1;
        }
        traceFile = std::make_unique<velmar::DescriptorStream>(opened.fd);
        trace = std::make_unique<velmar::ByteTrace>(*traceFile);
        trace->note("velmar-writer started");
    }

    QFont font = QApplication::font();
    font.setFamilies(gothicFaces() << font.family());
    font.setPointSize(9);
    QApplication::setFont(font);

    velmar::SystemPorts ports;
    velmar::SystemSerialControl serial(ports.directory());
    velmar::QtEventWait wait;
    velmar::QtDialogs dialogs;
    velmar::frmMain window(serial, wait, dialogs, defaultFirmwarePath);
    window.setTrace(trace.get());
    dialogs.setParentWidget(&window);
    // The end of the desktop session and SIGTERM/SIGHUP leave nobody to ask whether to stop a
    // running operation: it stops after the frame in flight and the window closes.
    velmar::TerminationSignals terminations;
    QObject::connect(&terminations, &velmar::TerminationSignals::received, &window,
                     [&window] { window.closeWithoutAsking(); });
#ifdef _WIN32
    velmar::SessionEnd sessionEnd(window);
    application.installNativeEventFilter(&sessionEnd);
#else
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                     [&window] { window.closeWithoutAsking(); });
#endif
    window.setPortDirectory(ports.directory());
    velmar::RecentFolder recentFolder(velmar::QtPortAssignmentStore().fileName());
    window.setRecentFolder(&recentFolder);
    velmar::addLanguageMenu(window, *language, [&languageSetting](velmar::Language chosen) {
        return languageSetting.save(velmar::languageCode(chosen));
    });
    // A termination during the start-up load (its box included) ends the program there.
    if (!window.openWindow()) return 0;
    return QApplication::exec();
}
