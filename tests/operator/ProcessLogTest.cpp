#include <gtest/gtest.h>

#include "operator/ProcessLog.h"

namespace wwweksports {
namespace {

const QDateTime kAfternoon(QDate(2026, 12, 6), QTime(14, 3, 22));

TEST(ProcessLog, TheStampIsTheDatesFirstFiveCharactersAndTheTime) {
#ifndef Q_OS_WIN
    EXPECT_EQ(StampedProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."), kAfternoon),
              QStringLiteral("06.12-14:03:22 Sāk sarakstu sūtīšanu ..."));
#endif
    // Regional formats: day first, and year first (the stamp then shows the year and the
    // date separator).
    const QString latvian = StampedProcessLine(QStringLiteral("x"), kAfternoon,
                                               QLocale(QLocale::Latvian, QLocale::Latvia));
    EXPECT_TRUE(latvian.startsWith(QStringLiteral("06.12-14:03:22"))) << latvian.toStdString();
    EXPECT_TRUE(latvian.endsWith(QStringLiteral(" x")));
    const QString swedish = StampedProcessLine(QStringLiteral("x"), kAfternoon,
                                               QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_TRUE(swedish.startsWith(QStringLiteral("2026--14:03:22"))) << swedish.toStdString();
}

}  // namespace
}  // namespace wwweksports
