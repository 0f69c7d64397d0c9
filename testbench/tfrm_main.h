#pragma once

#include <QWidget>

class QLabel;
class QTabWidget;

namespace bench {

class BenchContext;
class HfBasicsPage;
class IdCardPage;
class ReaderSelectionPanel;

// The test bench's one window: the reader selection above, the answer-error label, and the
// page control with the nine feature pages.
class TfrmMain : public QWidget {
    Q_OBJECT
  public:
    // serialRoot: the root under which the serial ports are looked for ("/" on a machine).
    explicit TfrmMain(const QString& serialRoot = QStringLiteral("/"), QWidget* parent = nullptr);
    // Stops the polling thread (after its pass under way), then closes the reader.
    ~TfrmMain() override;

    BenchContext& context() { return *context_; }
    ReaderSelectionPanel& selection() { return *selection_; }
    IdCardPage& idCard() { return *idCard_; }

    static constexpr int kWidth = 996;
    static constexpr int kHeight = 756;

  private:
    BenchContext* context_;
    ReaderSelectionPanel* selection_;
    QLabel* lblError;
    QTabWidget* PageControl1;
    HfBasicsPage* hfBasics_;
    IdCardPage* idCard_;
};

}  // namespace bench
