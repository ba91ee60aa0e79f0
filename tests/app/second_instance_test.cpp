// The real program, started as a user would. Each test runs its own copy of
// the executable under a name of its own: one running copy is allowed per
// executable name and user, so a Telvane the user has open (or another
// test) must not decide the outcome.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

QProcessEnvironment environmentFor(const std::string& home) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TELVANE_HOME"), QString::fromStdString(home));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  return env;
}

// A copy of the program with a name no other process uses.
class PrivateExecutable {
public:
  explicit PrivateExecutable(const char* test) {
    path_ = bin_.path() + "telvane-" + test + "-" + std::to_string(::getpid());
    std::filesystem::copy_file(TELVANE_EXECUTABLE, path_);
  }
  QString path() const { return QString::fromStdString(path_); }

private:
  test::TempDir bin_;
  std::string path_;
};

bool waitForStart(const test::TempDir& home) {
  QElapsedTimer timer;
  timer.start();
  while (!home.exists("TVNREC.DBF") && timer.elapsed() < 20000) QThread::msleep(20);
  return home.exists("TVNREC.DBF");
}

TEST(SecondInstance, EndsWithoutTouchingAnyFile) {
  const PrivateExecutable program("second");
  test::TempDir first, second;
  first.write("TVN.INI", "[Modem]\nComPort=0\n");
  QProcess running;
  running.setProcessEnvironment(environmentFor(first.path()));
  running.start(program.path(), {});
  ASSERT_TRUE(running.waitForStarted(10000));
  ASSERT_TRUE(waitForStart(first)) << "the first copy did not start";
  QThread::msleep(300);  // its window and single-instance socket are up

  QProcess copy;
  copy.setProcessEnvironment(environmentFor(second.path()));
  copy.start(program.path(), {});
  ASSERT_TRUE(copy.waitForFinished(15000));
  EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(copy.exitCode(), 0);
  EXPECT_TRUE(QDir(QString::fromStdString(second.path())).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
  EXPECT_EQ(running.state(), QProcess::Running);

  running.kill();
  running.waitForFinished(5000);
}

TEST(ProgramArguments, QtOptionsOnTheCommandLineChangeNothing) {
  const PrivateExecutable program("arguments");
  test::TempDir home;
  home.write("TVN.INI", "[Modem]\nComPort=0\n");
  QProcess running;
  running.setProcessEnvironment(environmentFor(home.path()));
  // Qt would end at once on an unknown platform plugin, and mirror every
  // window with -reverse.
  running.start(program.path(), {"-platform", "nosuchplatform", "-reverse"});
  ASSERT_TRUE(running.waitForStarted(10000));
  EXPECT_TRUE(waitForStart(home)) << running.readAllStandardError().toStdString();
  EXPECT_EQ(running.state(), QProcess::Running);
  running.kill();
  running.waitForFinished(5000);
}

}  // namespace
}  // namespace telvane
