#include "testsupport.h"

#include "controls.h"
#include "recordset.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

CatalogueFolder::CatalogueFolder(Program program) : program_(program) {}

void CatalogueFolder::CreateEmpty() const {
    auto db = Database::CreateDatabase(File());
    tracktable::CreateTrackTable(*db, program_);
}

std::unique_ptr<Database> CatalogueFolder::Open() const {
    // As the sqlite3 shell would: a test may give the file what the programs refuse.
    return Database::OpenDatabase(File());
}

void CatalogueFolder::WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile file(dir_.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

qint64 AddAlbumTrack(Database& db, const QString& artist, const QString& album,
                     const QVariant& number, const QString& title) {
    auto rs = db.OpenRecordset(QStringLiteral("データレコード"), dbOpenDynaset);
    db.BeginTrans();
    rs->AddNew();
    rs->Fields(QStringLiteral("アーチスト名")) = artist;
    rs->Fields(QStringLiteral("アルバム名")) = album;
    rs->Fields(QStringLiteral("曲番")) = number;
    rs->Fields(QStringLiteral("曲名")) = title;
    rs->Update();
    db.CommitTrans();
    return sqlite3_last_insert_rowid(db.Handle());
}

void Shell(const QString& file, const QString& sql) {
    QProcess shell;
    // Waits for a lock as long as other programs do, not at all as the shell alone would.
    shell.start("sqlite3", {"-cmd", ".timeout 5000", file, sql});
    ASSERT_TRUE(shell.waitForFinished(10000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
}

QByteArray TitleFile(const QStringList& values) {
    QByteArray bytes;
    for (const QString& value : values)
        bytes += '"' + value.toUtf8() + "\"\r\n";
    return bytes;
}

int ExitStatusInChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int RunTestAgainWith(const char* variable, const QString& value) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    QProcess again;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), value);
    again.setProcessEnvironment(environment);
    again.setProcessChannelMode(QProcess::ForwardedChannels);
    again.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_filter=%1.%2")
             .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()))});
    if (!again.waitForFinished(60000) || again.exitStatus() != QProcess::NormalExit)
        return -1;
    return again.exitCode();
}

bool LimitFileSize(qint64 bytes) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit size{rlim_t(bytes), rlim_t(bytes)};
    return setrlimit(RLIMIT_FSIZE, &size) == 0;
}

bool LoseWriteAccess(const QString& folder) {
    constexpr auto kReadOnly = QFile::ReadOwner | QFile::ReadOther;
    constexpr auto kEnterable = kReadOnly | QFile::ExeOwner | QFile::ExeOther;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
        QFile::setPermissions(file.filePath(), kReadOnly);
    if (!QFile::setPermissions(folder, kEnterable))
        return false;
    constexpr uid_t kNobody = 65534;
    return geteuid() != 0 || (setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

QStringList ColumnTexts(Database& db, const QString& sql) {
    auto rs = db.OpenRecordset(sql, dbOpenSnapshot);
    QStringList texts;
    for (; !rs->Eof(); rs->MoveNext())
        texts << rs->Fields(0).Text();
    return texts;
}

void Pick(ComboBox& list, const QString& entry) {
    const int index = list.findText(entry, Qt::MatchExactly);
    if (index < 0)
        throw std::runtime_error("no such entry: " + entry.toStdString());
    list.showPopup();
    QAbstractItemView* view = list.view();
    const QModelIndex item = view->model()->index(index, list.modelColumn());
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
}

namespace {

QWidget& TextTarget(QWidget& field) {
    auto* list = qobject_cast<QComboBox*>(&field);
    return list ? *list->lineEdit() : field;
}

} // namespace

void Type(QWidget& field, const QString& text) {
    QWidget& target = TextTarget(field);
    target.setFocus();
    // Committed as an input method commits it, which is how Japanese text arrives.
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(&target, &commit);
}

void Retype(QWidget& field, const QString& text) {
    QWidget& target = TextTarget(field);
    target.setFocus();
    QTest::keySequence(&target, QKeySequence::SelectAll);
    QTest::keyClick(&target, Qt::Key_Delete);
    Type(field, text);
}
