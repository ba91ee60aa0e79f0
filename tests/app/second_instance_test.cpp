// The real program, started twice: the second copy must end at once
// without touching its program directory.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

QProcessEnvironment environmentFor(const std::string& home) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TELVANE_HOME"), QString::fromStdString(home));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  return env;
}

TEST(SecondInstance, EndsWithoutTouchingAnyFile) {
  test::TempDir first, second;
  first.write("TVN.INI", "[Modem]\nComPort=0\n");
  QProcess running;
  running.setProcessEnvironment(environmentFor(first.path()));
  running.start(QStringLiteral(TELVANE_EXECUTABLE), {});
  ASSERT_TRUE(running.waitForStarted(10000));
  QElapsedTimer timer;
  timer.start();
  while (!first.exists("TVNREC.DBF") && timer.elapsed() < 20000) QThread::msleep(20);
  ASSERT_TRUE(first.exists("TVNREC.DBF")) << "the first copy did not start";
  QThread::msleep(300);  // its window and single-instance socket are up

  QProcess copy;
  copy.setProcessEnvironment(environmentFor(second.path()));
  copy.start(QStringLiteral(TELVANE_EXECUTABLE), {});
  ASSERT_TRUE(copy.waitForFinished(15000));
  EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(copy.exitCode(), 0);
  EXPECT_TRUE(QDir(QString::fromStdString(second.path())).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
  EXPECT_EQ(running.state(), QProcess::Running);

  running.kill();
  running.waitForFinished(5000);
}

}  // namespace
}  // namespace telvane
