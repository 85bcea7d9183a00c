#include "labelprint.h"

#include "recordset.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace report {

std::shared_ptr<const Snapshot> LoadRows(const QString& catalogue, Program program,
                                         const QString& sql) {
    auto db = tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly);
    auto rows = db->OpenSnapshot(sql);
    db->Close();
    return rows;
}

namespace {

// The reason the PDF could not be drawn, or nothing.
QString Draw(const PageRenderer& renderer, QIODevice& out) {
    try {
        QPdfWriter pdf(&out);
        pdf.setCreator(QStringLiteral("Caldrin"));
        // One dot a twip: the layout reaches the file unscaled.
        pdf.setResolution(int(Distance::kPerInch));
        renderer.Print(pdf);
    } catch (const std::runtime_error& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

// The reason the bytes could not be saved, or nothing. They go to a file of their own beside the
// target, which takes the target's place only once every byte is on the disk: a full disk must
// not cost the label written before. commit() alone would not do: it ignores a failed sync, and
// a failed final flush when the file is buffered.
QString Save(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    // Unbuffered, so every write reaches the file here and its failure shows here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    QString reason;
    // A short write is no error yet; the next one tells why (a full disk, a size limit).
    for (qsizetype done = 0; reason.isEmpty() && done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written > 0)
            done += written;
        else
            reason = file.errorString();
    }
    if (reason.isEmpty() && ::fsync(file.handle()) != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    if (!reason.isEmpty()) {
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
}

} // namespace

void WritePdf(const PageRenderer& renderer, const QString& path) {
    // Drawn in memory first: the PDF engine does not look at what its writes return, so a file
    // written as it draws could come out short without a word. A label's PDF is small.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QString reason = Draw(renderer, pdf);
    if (reason.isEmpty())
        reason = Save(path, pdf.data());
    if (!reason.isEmpty())
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めませんでした。\n%2").arg(path, reason).toStdString());
}

} // namespace report
