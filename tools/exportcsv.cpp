// Writes every track of a catalogue as a workbook or a CSV file, for spreadsheets and for moving
// the tracks to another catalogue with importcsv.
#include "savefile.h"
#include "toolsupport.h"
#include "trackbook.h"
#include "trackcsv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: exportcsv caldrin|trensoly CATALOGUE [OUT.csv|OUT.xlsx] [--format csv|xlsx]\n"
    "                 [--encoding utf-8|cp932]\n"
    "\n"
    "caldrin (アルバム別) か trensoly (MD別) のカタログ CATALOGUE の全ての曲を、入力した順に\n"
    "CSV か Excel ブックで書き出します。1 行目は列の名前です。OUT がなければ標準出力に\n"
    "書きます。OUT がすでにあれば置き換えます。書き出しに失敗したときは元のファイルが残ります。\n"
    "表計算ソフトで開くならブックをお勧めします: 名前は全て文字列のセル、曲番は数値のセルに\n"
    "なり、CSV のように \"007\" が 7 に、\"=1+1\" が計算式に変わることはありません。\n"
    "\n"
    "  --format KIND    csv か xlsx。指定がないときは OUT の拡張子で決まり、標準出力には csv\n"
    "  --encoding NAME  CSV の文字コード: utf-8 (BOM なし、指定がないとき) か cp932 (Shift_JIS)\n");

std::optional<trackcsv::Encoding> EncodingNamed(const QString& name) {
    const QString lower = name.toLower();
    if (lower == "utf-8" || lower == "utf8")
        return trackcsv::Encoding::Utf8;
    if (lower == "cp932" || lower == "shift_jis" || lower == "sjis" || lower == "windows-31j")
        return trackcsv::Encoding::Cp932;
    return std::nullopt;
}

bool SameFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

int Stopped(const ToolCommandLine& cli) {
    cli.Error(QStringLiteral("中断しました。何も書き出していません。"));
    return 128 + StopSignal();
}

// Writes what export hands on to out, taking out's name only once all of it is written; or to
// standard output, all at once, so that an export that fails half way writes nothing there.
int Save(const ToolCommandLine& cli, const QString& out,
         const std::function<bool(const trackcsv::Sink&)>& exportTo) {
    if (out.isEmpty()) {
        // Held in blocks of a megabyte, so that a large export is never copied as it grows.
        static constexpr qsizetype kBlockBytes = 1 << 20;
        std::vector<QByteArray> blocks;
        exportTo([&blocks](QByteArrayView piece) {
            if (blocks.empty() || blocks.back().size() + piece.size() > kBlockBytes) {
                blocks.emplace_back();
                blocks.back().reserve(std::max(kBlockBytes, piece.size()));
            }
            blocks.back().append(piece);
            return StopSignal() == 0;
        });
        if (StopSignal() != 0)
            return Stopped(cli);
        const bool written = std::all_of(blocks.begin(), blocks.end(), [](const QByteArray& block) {
            return std::fwrite(block.constData(), 1, size_t(block.size()), stdout) ==
                   size_t(block.size());
        });
        if (!written || std::fflush(stdout) != 0)
            return cli.Error(QStringLiteral("標準出力に書き込むことができません: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 0;
    }
    // What an export killed outright left beside the file.
    RemoveSaveLeftovers(out);
    SaveFile file(out);
    exportTo([&file](QByteArrayView piece) { return StopSignal() == 0 && file.Write(piece); });
    if (StopSignal() != 0)
        return Stopped(cli);
    if (const QString reason = file.Commit(); !reason.isEmpty())
        return cli.Error(QStringLiteral("%1 に書き込むことができません: %2").arg(out, reason));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    ToolCommandLine cli(QStringLiteral("exportcsv"), kHelp);
    const QCommandLineOption encodingOption(QStringLiteral("encoding"), {}, QStringLiteral("NAME"));
    const QCommandLineOption formatOption(QStringLiteral("format"), {}, QStringLiteral("KIND"));
    cli.Parser().addOption(encodingOption);
    cli.Parser().addOption(formatOption);
    if (const auto done = cli.ParseProgramRun(argc, argv, 2, 3))
        return *done;
    const QStringList args = cli.Arguments();
    const Program program = cli.NamedProgram();
    const auto encoding = cli.Parser().isSet(encodingOption)
                              ? EncodingNamed(cli.Parser().value(encodingOption))
                              : trackcsv::Encoding::Utf8;
    if (!encoding)
        return cli.UsageError(QStringLiteral("文字コードは utf-8 か cp932 です: %1")
                                  .arg(cli.Parser().value(encodingOption)));
    const QString catalogue = args[1], out = args.value(2);
    const QString kind = cli.Parser().isSet(formatOption)
                             ? cli.Parser().value(formatOption).toLower()
                             : QFileInfo(out).suffix().toLower();
    const bool workbook = kind == QLatin1String("xlsx");
    if (cli.Parser().isSet(formatOption) && !workbook && kind != QLatin1String("csv"))
        return cli.UsageError(
            QStringLiteral("形式は csv か xlsx です: %1").arg(cli.Parser().value(formatOption)));
    if (workbook && cli.Parser().isSet(encodingOption))
        return cli.UsageError(QStringLiteral("--encoding は CSV にだけ使えます。"));
    // Swapping the arguments would otherwise put the CSV in place of the catalogue.
    if (!out.isEmpty() && SameFile(out, catalogue))
        return cli.UsageError(QStringLiteral("書き出し先がカタログそのものです: %1").arg(out));

    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    try {
        const auto db = tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly);
        StopOnSignals(db->Handle());
        if (workbook)
            return Save(cli, out, [&](const trackcsv::Sink& write) {
                return write(trackbook::Export(*db, program, trackbook::Format::Workbook));
            });
        return Save(cli, out, [&](const trackcsv::Sink& write) {
            return trackcsv::ExportTo(*db, program, *encoding, write);
        });
    } catch (const std::exception& error) {
        return StopSignal() != 0 ? Stopped(cli) : cli.Error(QString::fromUtf8(error.what()));
    }
}
