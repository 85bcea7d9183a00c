#include "toolsupport.h"

#include "trackbook.h"

#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

// Platform plugins and the font database warn about things that do not concern a user of a
// command-line tool; only a message Qt cannot go on after is worth showing.
void DropQtChatter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    QTextStream(stderr) << qFormatLogMessage(type, context, message) << '\n';
}

volatile std::sig_atomic_t stopSignal = 0;
sqlite3* interrupted = nullptr;

} // namespace

void StopOnSignals(sqlite3* catalogue) {
    interrupted = catalogue;
    struct sigaction action {};
    action.sa_handler = [](int number) {
        stopSignal = number;
        // Only sets a flag that the running statement looks at.
        if (interrupted)
            sqlite3_interrupt(interrupted);
    };
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int StopSignal() {
    return stopSignal;
}

ToolCommandLine::ToolCommandLine(QString name, QString help)
    : name_(std::move(name)), help_(std::move(help)),
      helpOption_(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
      versionOption_(QStringList{QStringLiteral("v"), QStringLiteral("version")}) {
    qInstallMessageHandler(DropQtChatter);
    // "-demo" means "--demo", not the four letters d, e, m and o.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOption(helpOption_);
    parser_.addOption(versionOption_);
}

std::optional<int> ToolCommandLine::Parse(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!parser_.parse(args)) {
        const QStringList unknown = parser_.unknownOptionNames();
        if (unknown.isEmpty())
            return UsageError(QStringLiteral("オプションの値が正しくありません。"));
        // Named as typed: "-demo" and "--demo" are the same option, but the user wrote one.
        const QString name = unknown.first();
        QString typed = "--" + name;
        for (const QString& arg : args.mid(1)) {
            const QString option = arg.section('=', 0, 0);
            if (arg == "--")
                break;
            if (option == "-" + name || option == "--" + name) {
                typed = option;
                break;
            }
        }
        return UsageError(QStringLiteral("不明なオプションです: %1").arg(typed));
    }
    if (parser_.isSet(helpOption_)) {
        QTextStream(stdout) << help_
                            << "\nオプション:\n"
                               "  -h, --help     この説明を表示します。\n"
                               "  -v, --version  バージョンを表示します。\n"
                               "  --             これより後の引数はオプションとみなしません"
                               " (- で始まる名前に)。\n";
        return 0;
    }
    if (parser_.isSet(versionOption_)) {
        QTextStream(stdout) << name_ << ' ' << MDCAT_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}

std::optional<int> ToolCommandLine::ExpectArguments(qsizetype count) const {
    const QStringList args = Arguments();
    if (args.size() < count)
        return UsageError(QStringLiteral("引数が足りません。"));
    if (args.size() > count)
        return UsageError(QStringLiteral("余分な引数があります: %1").arg(args[count]));
    return std::nullopt;
}

std::optional<int> ToolCommandLine::ParseProgramRun(int argc, char* argv[], qsizetype fewest,
                                                    qsizetype most) {
    if (const auto done = Parse(argc, argv))
        return done;
    if (const auto refused = ExpectArguments(std::clamp(Arguments().size(), fewest, most)))
        return refused;
    const auto named = ProgramNamed(Arguments()[0]);
    if (!named)
        return 1;
    program_ = *named;
    return std::nullopt;
}

std::optional<Program> ToolCommandLine::ProgramNamed(const QString& name) const {
    for (const Program program : {Program::Caldrin, Program::Trensoly})
        if (name == tracktable::ProgramName(program))
            return program;
    UsageError(QStringLiteral("caldrin か trensoly を指定してください: %1").arg(name));
    return std::nullopt;
}

int ToolCommandLine::UsageError(const QString& message) const {
    QTextStream(stderr) << name_ << ": " << message << '\n'
                        << name_ << ": 使い方は " << name_ << " --help で表示します。\n";
    return 1;
}

int ToolCommandLine::Error(const QString& message) const {
    QTextStream(stderr) << name_ << ": " << message << '\n';
    return 1;
}

int ImportTracks(const ToolCommandLine& cli, Database& db, Program program,
                 const QString& csvPath) {
    QFile file(csvPath);
    const auto unreadable = [&] {
        return cli.Error(
            QStringLiteral("%1 を読むことができません: %2").arg(csvPath, file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly))
        return unreadable();
    const QByteArray csv = file.readAll();
    // readAll gives what it got so far when a read fails; a short file must not pass for whole.
    if (file.error() != QFileDevice::NoError)
        return unreadable();
    qint64 added = 0;
    const QList<trackcsv::Problem> problems = trackbook::Import(db, program, csv, &added);
    if (!problems.isEmpty())
        return ReportProblems(cli, csvPath, problems);
    QTextStream(stdout) << QStringLiteral("%1 曲を追加しました。\n").arg(added);
    return 0;
}

int ReportProblems(const ToolCommandLine& cli, const QString& path,
                   const QList<trackcsv::Problem>& problems) {
    QTextStream err(stderr);
    for (const trackcsv::Problem& problem : problems) {
        err << path;
        // Line 0: the problem is the file's as a whole.
        if (problem.line > 0)
            err << ':' << problem.line;
        err << ": " << problem.reason << '\n';
    }
    err.flush();
    return cli.Error(QStringLiteral("%1 に問題が %2 件あるため、曲を 1 曲も取り込みませんでした。")
                         .arg(path)
                         .arg(problems.size()));
}
