#pragma once
// The results browser (Records → Browse Records): the station's store, or the plant database when
// one is set, newest first, filtered by serial prefix, time, verdict, station and profile. The
// list fetches a page at a time as it is scrolled, so a million records cost one page. A chart
// shows the pass rate per day or per station; a double click shows the report picture and the
// findings; a record's PDF report can be written from here.

#include "records/RecordStore.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The list's rows, fetched by pages from the store.
class TRecordsModel : public QAbstractTableModel
{
    Q_DECLARE_TR_FUNCTIONS(TRecordsModel)

public:
    static constexpr int PageSize = 200;

    explicit TRecordsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    // A new store or filter: the list starts again from the newest.
    void Reset(TRecordStore* store, const TRecordFilter& filter);
    const TRecordSummary* At(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    TRecordStore* Store_ = nullptr;
    TRecordFilter Filter_;
    std::vector<TRecordSummary> Rows_;
    bool AtEnd_ = true;
};

class TRecordsBrowser : public QDialog
{
    Q_DECLARE_TR_FUNCTIONS(TRecordsBrowser)

public:
    explicit TRecordsBrowser(QWidget* parent = nullptr);
    ~TRecordsBrowser() override;

    // Opens the chosen store and shows the newest records; false (and the reason shown in the
    // dialog) when it cannot be opened.
    bool Search();
    TRecordsModel& Model() { return *Model_; }
    // The record of a row in full, as stored.
    std::optional<TStoredInspection> RecordAt(int row);
    // Writes the PDF report of a row's record to path; throws with the reason.
    void WritePdf(int row, const QString& path);
    // Writes every record the filter of the last search matches to path, as JSON Lines when
    // json, else CSV; whole or not at all. Returns how many; throws with the reason.
    qint64 Export(const QString& path, bool json);

    QComboBox* SOURCE = nullptr; // this station / the plant database
    QLineEdit* SERIAL = nullptr;
    QDateEdit* FROM = nullptr;
    QDateEdit* TO = nullptr;
    QComboBox* VERDICT = nullptr;
    QLineEdit* STATION = nullptr;
    QLineEdit* PROFILE = nullptr;
    QPushButton* SEARCH = nullptr;
    QLabel* COUNT = nullptr;
    QTableView* LIST = nullptr;
    QComboBox* CHARTBY = nullptr;
    QChartView* CHART = nullptr;
    QPushButton* PDF = nullptr;
    QPushButton* EXPORT = nullptr;

private:
    TRecordFilter Filter() const;
    void ShowChart();
    void ShowRecord(int row);
    void PdfClick();
    void ExportClick();
    TRecordFilter Searched_;

    std::unique_ptr<TRecordStore> Store_;
    TRecordsModel* Model_ = nullptr;
};
