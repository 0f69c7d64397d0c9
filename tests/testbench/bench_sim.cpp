#include "testbench/bench_sim.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <span>

#include "sim/cards/apdu_script.h"
#include "testbench/core/bench_context.h"
#include "testbench/reader_selection_panel.h"

BenchSim::BenchSim(sim::FieldCard card) : rig_(card) {
    if (!server_.Start(0)) qFatal("the simulated reader cannot listen on 127.0.0.1");
}

BenchSim::~BenchSim() { server_.Stop(); }

std::string BenchSim::SerialPath() {
    if (pty_.SlavePath().empty() && !pty_.Start()) qFatal("no pseudo-terminal for the reader");
    return pty_.SlavePath();
}

void BenchSim::Present(sim::FieldCard card) { Place({card}); }

void BenchSim::Place(std::initializer_list<sim::FieldCard> cards) {
    port_.WithReader([&](sim::SimulatedReader&) {
        rig_.PlaceFieldCards(std::span(cards.begin(), cards.size()));
        return 0;
    });
}

void BenchSim::InsertContactCard(int slot, std::shared_ptr<sim::ContactCard> card) {
    port_.WithReader([&](sim::SimulatedReader&) {
        rig_.InsertContactCard(slot, std::move(card));
        return 0;
    });
}

void BenchSim::PresentTypeA(std::shared_ptr<sim::TypeACard> card) {
    port_.WithReader([&](sim::SimulatedReader&) {
        rig_.PresentTypeACard(std::move(card));
        return 0;
    });
}

void BenchSim::PresentTypeBScript(std::string_view script) {
    auto card = std::make_shared<sim::TypeBCard>();
    card->SetApplication(std::make_shared<sim::ApduScript>(script));
    Present(sim::FieldCard::kNone);
    AddTypeBCard(std::move(card));
}

void BenchSim::AddTypeBCard(std::shared_ptr<sim::TypeBCard> card) {
    port_.WithReader([&](sim::SimulatedReader&) {
        rig_.PresentTypeBCard(std::move(card));
        return 0;
    });
}

BenchWindow::BenchWindow(BenchSim& sim)
    : window_(std::make_unique<bench::TfrmMain>(QStringLiteral("/nonexistent"))) {
    window_->context().messageSink = [this](const QString& text) { messages << text; };
    window_->selection().UseNetworkReader(QStringLiteral("127.0.0.1"), QString::number(sim.Port()));
    window_->show();
}

void BenchWindow::Click(const char* button) {
    QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton);
}

QStringList BenchWindow::Log(const char* memo) {
    QStringList lines = Find<QPlainTextEdit>(memo)->toPlainText().split(QLatin1Char('\n'));
    if (lines.size() == 1 && lines.front().isEmpty()) return {};
    // "MM-dd HH:mm:ss:zzz:" is 19 characters.
    for (QString& line : lines) line = line.mid(19);
    return lines;
}

void BenchWindow::ClearLog(const char* memo) { Find<QPlainTextEdit>(memo)->clear(); }

void SaveScreenshot(QWidget& widget, const QString& name) {
    const QImage image = widget.grab().toImage();
    QVERIFY(image.width() >= widget.width() && image.height() >= widget.height());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height() && colours.size() < 3; y += 7) {
        for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    }
    QVERIFY2(colours.size() >= 3, "the page shows nothing");
    QDir().mkpath(QStringLiteral(KORVICARD_SCREENSHOT_DIR));
    QVERIFY(
        image.save(QStringLiteral(KORVICARD_SCREENSHOT_DIR "/") + name + QStringLiteral(".png")));
}

bool InOrder(const QStringList& lines, const QStringList& expected) {
    qsizetype at = 0;
    for (const QString& line : lines) {
        if (at < expected.size() && line == expected[at]) ++at;
    }
    return at == expected.size();
}

bool WaitUntil(const std::function<bool()>& f, int ms) { return QTest::qWaitFor(f, ms); }
