// Writes the PDF of an MD or cassette label without the window, through the same renderer the
// preview and the printer use, with the user's paper and printer calibration.
#include "fonts.h"
#include "labelprint.h"
#include "recordset.h"
#include "statements.h"
#include "toolsupport.h"

#include <QGuiApplication>
#include <QLocale>
#include <functional>
#include <variant>

namespace {

const QString kHelp = QStringLiteral(
    "使い方: mklabel caldrin md|cassette CATALOGUE OUT.pdf ALBUM ARTIST\n"
    "        mklabel trensoly md|cassette CATALOGUE OUT.pdf DISC\n"
    "        mklabel caldrin|trensoly md|cassette --calibration-page OUT.pdf\n"
    "\n"
    "カタログ CATALOGUE から MD (md) かカセット (cassette) のラベルを PDF ファイル OUT.pdf\n"
    "に書き出します。caldrin はアルバムとアーチストで、trensoly は MD 番号で曲を選びます。\n"
    "用紙と印刷位置の補正は、指定がなければ印刷プレビューで保存したものを使います。\n"
    "\n"
    "  --paper NAME               用紙: A4, A5, B5 (JIS), Letter\n"
    "  --offset-x MM              横のずれ (mm, 右へ +, -20 から 20)\n"
    "  --offset-y MM              縦のずれ (mm, 下へ +, -20 から 20)\n"
    "  --scale PERCENT            倍率 (%, 90 から 110)\n"
    "  --no-guides                切り取り線を印刷しません。\n"
    "  --fit                      曲が多くて媒体 (MD ケース、カセットケース) に収まらない\n"
    "                             ときは、曲の行を詰め、小さくし、2 段以上に組みます。\n"
    "  --calibration-page OUT.pdf 印刷位置を測るためのテストページを書き出します。\n");

struct LabelOptions {
    QPageSize paper;
    report::Calibration calibration;
};

class MklabelCommandLine : public ToolCommandLine {
public:
    MklabelCommandLine() : ToolCommandLine(QStringLiteral("mklabel"), kHelp) {
        for (const QCommandLineOption& option :
             {paper_, offsetX_, offsetY_, scale_, noGuides_, fit_, calibrationPage_})
            Parser().addOption(option);
    }

    QString CalibrationPage() const { return Parser().value(calibrationPage_); }
    bool Fit() const { return Parser().isSet(fit_); }

    // The saved settings with what the command line changes, or the mistake in it.
    std::variant<LabelOptions, QString> Options() const {
        LabelOptions options{report::SavedPaper(), report::SavedCalibration()};
        if (Parser().isSet(paper_)) {
            const auto paper = report::PaperNamed(Parser().value(paper_));
            if (!paper)
                return QStringLiteral("用紙は A4, A5, B5, Letter のどれかです: %1")
                    .arg(Parser().value(paper_));
            options.paper = *paper;
        }
        const double limit = report::Calibration::kMaxOffsetMm;
        report::Calibration& c = options.calibration;
        const QString wrong[] = {Apply(offsetX_, -limit, limit,
                                       [&](double mm) { c.offsetX = Distance::Millimetres(mm); }),
                                 Apply(offsetY_, -limit, limit,
                                       [&](double mm) { c.offsetY = Distance::Millimetres(mm); }),
                                 Apply(scale_, report::Calibration::kMinScalePercent,
                                       report::Calibration::kMaxScalePercent,
                                       [&](double p) { c.scalePercent = p; })};
        for (const QString& mistake : wrong)
            if (!mistake.isEmpty())
                return mistake;
        if (Parser().isSet(noGuides_))
            c.cutGuides = false;
        return options;
    }

private:
    // Hands the option's value on when it is set and within [low, high]; returns what is wrong
    // with it, or nothing.
    QString Apply(const QCommandLineOption& option, double low, double high,
                  const std::function<void(double)>& set) const {
        if (!Parser().isSet(option))
            return {};
        bool ok = false;
        const double value = QLocale::c().toDouble(Parser().value(option), &ok);
        if (ok && value >= low && value <= high) {
            set(value);
            return {};
        }
        return QStringLiteral("--%1 は %2 から %3 までの数です: %4")
            .arg(option.names().first())
            .arg(low)
            .arg(high)
            .arg(Parser().value(option));
    }

    const QCommandLineOption paper_{QStringLiteral("paper"), {}, QStringLiteral("NAME")};
    const QCommandLineOption offsetX_{QStringLiteral("offset-x"), {}, QStringLiteral("MM")};
    const QCommandLineOption offsetY_{QStringLiteral("offset-y"), {}, QStringLiteral("MM")};
    const QCommandLineOption scale_{QStringLiteral("scale"), {}, QStringLiteral("PERCENT")};
    const QCommandLineOption noGuides_{QStringLiteral("no-guides")};
    const QCommandLineOption fit_{QStringLiteral("fit")};
    const QCommandLineOption calibrationPage_{
        QStringLiteral("calibration-page"), {}, QStringLiteral("OUT.pdf")};
};

int WriteLabel(const MklabelCommandLine& cli, Program program, report::Label label,
               const LabelOptions& options) {
    const QStringList args = cli.Arguments();
    const QString sql = program == Program::Caldrin
                            ? statements::caldrin::TracksOfAlbum(args[4], args[5])
                            : statements::trensoly::TracksOfDisc(args[4]);
    const auto rows = report::LoadRows(args[2], program, sql);
    if (rows->RecordCount() == 0)
        return cli.Error(QStringLiteral("指定された曲がカタログにありません。"));
    const report::PageRenderer renderer(
        report::LabelDefinition(program, label), rows, options.paper,
        cli.Fit() ? std::optional(options.calibration.MediumHeight(label)) : std::nullopt);
    report::WritePdf(renderer, args[3], options.calibration,
                     report::LabelDocument(renderer, program, label));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    MklabelCommandLine cli;
    if (const auto done = cli.Parse(argc, argv))
        return *done;
    const QString programName = cli.Arguments().value(0);
    if (programName.isEmpty())
        return cli.UsageError(QStringLiteral("引数が足りません。"));
    const auto named = cli.ProgramNamed(programName);
    if (!named)
        return 1;
    const Program program = *named;
    const bool calibrationPage = !cli.CalibrationPage().isEmpty();
    if (const auto refused = cli.ExpectArguments(calibrationPage               ? 2
                                                 : program == Program::Caldrin ? 6
                                                                               : 5))
        return *refused;
    const QStringList args = cli.Arguments();
    if (args[1] != "md" && args[1] != "cassette")
        return cli.UsageError(
            QStringLiteral("ラベルの種類は md か cassette です: %1").arg(args[1]));
    const auto options = cli.Options();
    if (const auto* wrong = std::get_if<QString>(&options))
        return cli.UsageError(*wrong);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt never sees the arguments, so an album named like one of its options (-reverse) stays an
    // album.
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    MapFonts();
    const report::Label label = args[1] == "md" ? report::Label::Md : report::Label::Cassette;
    const auto& chosen = std::get<LabelOptions>(options);
    try {
        if (calibrationPage)
            report::WriteCalibrationPdf(report::LabelDefinition(program, label), chosen.paper,
                                        cli.CalibrationPage());
        else
            return WriteLabel(cli, program, label, chosen);
    } catch (const std::exception& error) {
        return cli.Error(QString::fromUtf8(error.what()));
    }
    return 0;
}
