#pragma once
// The History window: the event history of the line, a group or one machine, newest first, with
// the filter row above it, the time in state of the machines shown below it, and the export of
// the filter's rows to a CSV file. There is one of it; it is not modal and may stay open while the
// line runs: while its range ends now, new rows appear at the top and the bar follows about once
// a second. The main window opens it for a machine, a group or the whole line.

#include "base/LineLayout.h"
#include "records/HistoryFilter.h"
#include "store/Store.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;

namespace records {

class HistoryModel;
class StateBarView;
class TimeInStateSum;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Asks for the export's file name, starting from a suggested one; empty: no export.
    using FileChooser = std::function<QString(QWidget* parent, const QString& suggestedName)>;

    struct Options {
        bool stayOnTop = false;          // the station's option: kept above the other windows
        FileChooser chooseFile;          // empty: a save-file dialog
        std::function<qint64()> clockMs; // UTC milliseconds now; empty: the system clock
        int refreshMs = 1000;            // how often a range that ends now looks for new rows
    };

    HistoryWindow(store::Store& store, const base::LineLayout& layout, Options options, QWidget* owner = nullptr);
    ~HistoryWindow() override;

    // Show the window with the machine filter set to one machine, a group's machines or the whole
    // line (the other filters stay as they were), raise it and load again.
    void showForMachine(int slot);
    void showForGroup(int group);
    void showLine();

    void setStayOnTop(bool stayOnTop);

    const Filter& filter() const { return filter_; }
    // Sets the controls to the filter and loads again.
    void setFilter(const Filter& filter);
    // Loads the rows and the time in state again.
    void reload();

    // Asks for a file and writes the rows of the current filter there, with a progress dialog
    // that can cancel it.
    void exportCsv();

    HistoryModel& rows() { return *model_; }
    const store::TimeInState& timeInState() const;
    // What the line under the table says: the rows listed, the export's outcome.
    QString statusText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    QLayout* buildFilterRow();
    void applyFonts();
    void setRangeEnd(QDateTimeEdit* edit);
    void showFor(const MachineChoice& choice);
    void fillMachineList();
    void writeControls();
    void readControls();
    void refresh();
    void updateTimer();
    void requestTimeInState();
    void showCounts();
    void timeInStateReady(const store::TimeInState& figures, int machines);
    void exportProgress(quint64 request, qint64 rows);
    void exportFinished(quint64 request, bool ok, const QString& error);
    void setStatusChip(QToolButton* chip, int status);
    qint64 now() const;

    store::Store& store_;
    const base::LineLayout& layout_;
    Options options_;
    Filter filter_;
    std::vector<MachineChoice> choices_;

    HistoryModel* model_ = nullptr;
    TimeInStateSum* sum_ = nullptr;
    QTimer* refresh_ = nullptr;
    QTimer* textPause_ = nullptr;
    QComboBox* machine_ = nullptr;
    QComboBox* range_ = nullptr;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
    QLineEdit* text_ = nullptr;
    std::array<QToolButton*, StatusChips> statusChips_{};
    QCheckBox* connections_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* stateCaption_ = nullptr;
    StateBarView* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* close_ = nullptr;
    QPointer<QProgressDialog> progress_;
    quint64 exportRequest_ = 0;
    QString exportFile_;
    QString exportOutcome_;
    bool placed_ = false; // sized and centred at its first showing
};

} // namespace records
