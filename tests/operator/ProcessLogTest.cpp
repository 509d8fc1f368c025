#include <gtest/gtest.h>

#include "operator/ProcessLog.h"

namespace wwweksports {
namespace {

const QDateTime kAfternoon(QDate(2026, 12, 6), QTime(14, 3, 22));

TEST(ProcessLog, TheStampIsTheDayAndMonthInTheRegionalOrderAndTheTime) {
#ifndef Q_OS_WIN
    EXPECT_EQ(StampedProcessLine(QStringLiteral("Sāk sarakstu sūtīšanu ..."), kAfternoon),
              QStringLiteral("06.12-14:03:22 Sāk sarakstu sūtīšanu ..."));
#endif
    // Regional formats of every shape: day first, month first, year first. (Qt's own long time
    // formats end in the time zone; Windows' regional ones do not.)
    const struct {
        QLocale formats;
        const char* stamp;
    } cases[] = {{QLocale(QLocale::Latvian, QLocale::Latvia), "06.12-14:03:22"},
                 {QLocale(QLocale::English, QLocale::UnitedStates), "12/6-2:03:22 PM"},
                 {QLocale(QLocale::Swedish, QLocale::Sweden), "12-06-14:03:22"}};
    for (const auto& c : cases) {
        const QString stamped = StampedProcessLine(QStringLiteral("x"), kAfternoon, c.formats);
        EXPECT_TRUE(stamped.startsWith(QString::fromUtf8(c.stamp)) && stamped.endsWith(" x"))
            << stamped.toStdString();
    }
}

}  // namespace
}  // namespace wwweksports
