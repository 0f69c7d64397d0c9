#pragma once

#include <QStringList>
#include <QTabWidget>
#include <QTest>

#include "korvicard/KorviCardDriver.h"
#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"


// Leaves the window's reader open on type B, as the identity page does.
inline void LeaveReaderOnTypeB(BenchWindow& bench) {
    bench::BenchContext& context = bench.window().context();
    QVERIFY(context.OpenReaderDevice(0));
    QVERIFY(KorviCardSetCardType(context.hDevice(), 'B') != 0);
    context.SetCurCardType('B');
}

// Brings the named page to the front of the window's page control.
inline void ShowPage(BenchWindow& bench, const char* page) {
    bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(bench.Find<QWidget>(page));
}
