#include <gtest/gtest.h>

#include "operator/ProcessLog.h"
#include "operator/StatusProgress.h"

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

// A status text's counts at its end give its phase's progress; other texts give none.
TEST(StatusProgress, TheCountsAtTheEndGiveThePhaseAndItsPercent) {
    const auto step = [](const QString& text) {
        const std::optional<PhaseStep> s = PhaseProgress(text);
        return s ? s->phase + QString::number(s->percent) : QStringLiteral("-");
    };
    EXPECT_EQ(step("Ievietoju Product tabulā: 50000; Paka: 3 no 20"),
              "Ievietoju Product tabulā: 50000; Paka: 15");
    EXPECT_EQ(step("Sūtu preces 1200/50000"), "Sūtu preces 2");
    EXPECT_EQ(step("Ieraksti: 10000; Paka: 4 no 4"), "Ieraksti: 10000; Paka: 100");
    EXPECT_EQ(step("7/3"), "100");
    for (const char* none : {"Saraksti aizsūtīti !!!", "Paka: 3 no ", "Paka: no 20", "3 of 20",
                             "Sūtu preces 5/0", "", "Dzēšu vecos ierakstus"})
        EXPECT_EQ(step(QString::fromUtf8(none)), "-") << none;
}

}  // namespace
}  // namespace wwweksports
