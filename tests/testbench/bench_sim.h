#pragma once

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <initializer_list>
#include <memory>

#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/simulated_reader_rig.h"
#include "testbench/tfrm_main.h"

// The whole simulated reader served on 127.0.0.1 (a free port) for the bench's window tests.
class BenchSim {
  public:
    explicit BenchSim(sim::FieldCard card = sim::FieldCard::kMifare1K);
    ~BenchSim();

    // Holds another card into the RF field.
    void Present(sim::FieldCard card);
    // Takes every card out of the field and holds these into it together, at most one per
    // protocol (a type A card and a FeliCa card side by side).
    void Place(std::initializer_list<sim::FieldCard> cards);
    // Puts a contact card into a slot (0-5).
    void InsertContactCard(int slot, std::shared_ptr<sim::ContactCard> card);
    // Takes every card out of the field and holds this type A card into it.
    void PresentTypeA(std::shared_ptr<sim::TypeACard> card);
    // Holds a type B card answering APDUs by the script (sim::ApduScript's form) into it.
    void PresentTypeBScript(std::string_view script);
    // Holds a type B card into the field beside the card there, as a reader's field holds a
    // card of each protocol.
    void AddTypeBCard(std::shared_ptr<sim::TypeBCard> card);
    // Runs f(reader) under the port's lock.
    template <class F>
    auto WithReader(F&& f) {
        return port_.WithReader(std::forward<F>(f));
    }
    // The same reader on a serial line as well: the pseudo-terminal's path.
    std::string SerialPath();
    std::uint16_t Port() const { return server_.Port(); }
    // The port the adapters share, for another adapter onto the same reader.
    sim::ReaderPort& port() { return port_; }
    int Connections() const { return server_.Connections(); }

  private:
    sim::ReaderRig rig_;
    sim::ReaderPort port_{rig_.reader()};
    sim::TcpServer server_{port_};
    sim::PtyAdapter pty_{port_};
};

// The bench's window opened on the simulated reader as a network reader; message box texts
// are collected instead of shown.
class BenchWindow {
  public:
    explicit BenchWindow(BenchSim& sim);

    bench::TfrmMain& window() { return *window_; }
    template <class T>
    T* Find(const char* name) {
        T* widget = window_->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) qFatal("no widget %s", name);
        return widget;
    }
    // Clicks the named button as a user would.
    void Click(const char* button);
    // The memo's lines without their time stamps.
    QStringList Log(const char* memo);
    void ClearLog(const char* memo);
    // Destroys the window (as closing the program does).
    void Close() { window_.reset(); }

    QStringList messages;

  private:
    std::unique_ptr<bench::TfrmMain> window_;
};

// Saves the widget's picture as <name>.png into the build tree's screenshots folder and
// checks that it has the widget's size and is not blank.
void SaveScreenshot(QWidget& widget, const QString& name);

// True when lines holds expected as a subsequence, in order.
bool InOrder(const QStringList& lines, const QStringList& expected);

#define EXPECT_LINES(lines, ...) \
    QVERIFY2(InOrder(lines, QStringList{__VA_ARGS__}), qPrintable(lines.join('\n')))

// Runs f on the window thread while pending events go on, until it returns true or ms pass.
bool WaitUntil(const std::function<bool()>& f, int ms = 15000);
