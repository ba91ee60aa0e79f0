#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QUuid>

#include "app/single_instance.h"

namespace telvane {
namespace {

QString uniqueKey() { return QStringLiteral("telvane-test-") + QUuid::createUuid().toString(QUuid::Id128); }

TEST(SingleInstance, FirstCopyRunsSecondCopyHandsOver) {
  const QString key = uniqueKey();
  SingleInstanceGuard first(key);
  EXPECT_FALSE(first.anotherInstanceRuns());
  QSignalSpy raised(&first, &SingleInstanceGuard::activationRequested);

  SingleInstanceGuard second(key);
  EXPECT_TRUE(second.anotherInstanceRuns());
  EXPECT_TRUE(raised.wait(5000));
  EXPECT_EQ(raised.count(), 1);
}

TEST(SingleInstance, CopyThatEndedLeavesNoTrace) {
  const QString key = uniqueKey();
  { SingleInstanceGuard first(key); }
  SingleInstanceGuard next(key);
  EXPECT_FALSE(next.anotherInstanceRuns());
}

TEST(SingleInstance, KeyNamesTheExecutableAndUser) {
  const QString key = SingleInstanceGuard::InstanceKey();
  EXPECT_TRUE(key.startsWith(QStringLiteral("telvane-app_tests-"))) << key.toStdString();
}

}  // namespace
}  // namespace telvane
