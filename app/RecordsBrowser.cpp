// The results browser (see RecordsBrowser.h). It opens its own connection to the store on the GUI
// thread; pages and counts are indexed queries that take well under a millisecond over a million
// records, so nothing here needs a thread.

#include "app/RecordsBrowser.h"

#include "app/EngineTexts.h"
#include "app/UserPreferences.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "profiles/FiberLocation.h"
#include "records/PdfReport.h"
#include "records/RecordExport.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QValueAxis>

namespace
{
const char* const Columns[] = {
    QT_TRANSLATE_NOOP("TRecordsModel", "Time"),    QT_TRANSLATE_NOOP("TRecordsModel", "Serial"),
    QT_TRANSLATE_NOOP("TRecordsModel", "Verdict"), QT_TRANSLATE_NOOP("TRecordsModel", "Station"),
    QT_TRANSLATE_NOOP("TRecordsModel", "Profile"), QT_TRANSLATE_NOOP("TRecordsModel", "Mode"),
    QT_TRANSLATE_NOOP("TRecordsModel", "Source")};
constexpr int ColumnCount = 7;
} // namespace

void TRecordsModel::Reset(TRecordStore* store, const TRecordFilter& filter)
{
    beginResetModel();
    Store_ = store;
    Filter_ = filter;
    Rows_.clear();
    AtEnd_ = store == nullptr;
    endResetModel();
    if (canFetchMore(QModelIndex()))
        fetchMore(QModelIndex());
}

const TRecordSummary* TRecordsModel::At(int row) const
{
    return row >= 0 && static_cast<std::size_t>(row) < Rows_.size() ? &Rows_[static_cast<std::size_t>(row)]
                                                                    : nullptr;
}

int TRecordsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
}

int TRecordsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TRecordsModel::data(const QModelIndex& index, int role) const
{
    const TRecordSummary* r = At(index.row());
    if (!r)
        return {};
    if (role == Qt::ForegroundRole && index.column() == 2)
        return r->Verdict == QLatin1String("Pass")   ? QColor(0, 128, 0)
               : r->Verdict == QLatin1String("Fail") ? QColor(255, 0, 0)
                                                     : QColor(96, 96, 96);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column())
    {
    case 0:
        return QLocale::system().toString(r->Time, QLocale::ShortFormat);
    case 1:
        return r->Serial;
    case 2:
        // Stored in English, as the log writes it; shown in the window's language.
        return EngineText(r->Verdict.toStdString());
    case 3:
        return r->Station;
    case 4:
        return r->Profile;
    case 5:
        return r->Mode;
    case 6:
        return r->Source;
    default:
        return {};
    }
}

QVariant TRecordsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return tr(Columns[section]);
}

bool TRecordsModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !AtEnd_;
}

void TRecordsModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !Store_ || AtEnd_)
        return;
    std::optional<TRecordCursor> after;
    if (!Rows_.empty())
        after = TRecordCursor{Rows_.back().TimeMs, Rows_.back().Id.toString(QUuid::WithoutBraces)};
    std::vector<TRecordSummary> page;
    try
    {
        page = Store_->Page(Filter_, PageSize, after);
    }
    catch (const TRecordStoreError&)
    {
        // The server went away while scrolling: the list ends here; Search says why.
        AtEnd_ = true;
        return;
    }
    AtEnd_ = page.size() < static_cast<std::size_t>(PageSize);
    if (page.empty())
        return;
    beginInsertRows(QModelIndex(), static_cast<int>(Rows_.size()),
                    static_cast<int>(Rows_.size() + page.size()) - 1);
    Rows_.insert(Rows_.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    endInsertRows();
}

TRecordsBrowser::TRecordsBrowser(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RecordsBrowser"));
    setWindowTitle(tr("Records"));
    resize(980, 640);

    SOURCE = new QComboBox(this);
    SOURCE->setObjectName(QStringLiteral("SOURCE"));
    SOURCE->addItem(tr("This station"));
    const TPlantDatabase plant = TUserPreferences::PlantDatabase();
    if (plant.Configured())
        SOURCE->addItem(tr("Plant database (%1)").arg(plant.Describe()));
    SERIAL = new QLineEdit(this);
    SERIAL->setObjectName(QStringLiteral("SERIAL"));
    SERIAL->setPlaceholderText(tr("Serial starts with"));
    FROM = new QDateEdit(QDate::currentDate().addDays(-30), this);
    FROM->setObjectName(QStringLiteral("FROM"));
    FROM->setCalendarPopup(true);
    TO = new QDateEdit(QDate::currentDate(), this);
    TO->setObjectName(QStringLiteral("TO"));
    TO->setCalendarPopup(true);
    VERDICT = new QComboBox(this);
    VERDICT->setObjectName(QStringLiteral("VERDICT"));
    // The item data is the verdict as stored, which the search matches; the text is for reading.
    VERDICT->addItem(tr("Any verdict"));
    for (const char* verdict : {"Pass", "Fail", NoFiberVerdict, NotInViewVerdict})
        VERDICT->addItem(EngineText(verdict), QString::fromUtf8(verdict));
    STATION = new QLineEdit(this);
    STATION->setObjectName(QStringLiteral("STATION"));
    STATION->setPlaceholderText(tr("Station"));
    PROFILE = new QLineEdit(this);
    PROFILE->setObjectName(QStringLiteral("PROFILE"));
    PROFILE->setPlaceholderText(tr("Profile"));
    SEARCH = new QPushButton(tr("Search"), this);
    SEARCH->setObjectName(QStringLiteral("SEARCH"));
    SEARCH->setDefault(true);

    auto* filters = new QHBoxLayout;
    filters->addWidget(SOURCE);
    filters->addWidget(SERIAL, 1);
    filters->addWidget(new QLabel(tr("from"), this));
    filters->addWidget(FROM);
    filters->addWidget(new QLabel(tr("to"), this));
    filters->addWidget(TO);
    filters->addWidget(VERDICT);
    filters->addWidget(STATION);
    filters->addWidget(PROFILE);
    filters->addWidget(SEARCH);

    Model_ = new TRecordsModel(this);
    LIST = new QTableView(this);
    LIST->setObjectName(QStringLiteral("LIST"));
    LIST->setModel(Model_);
    LIST->setSelectionBehavior(QAbstractItemView::SelectRows);
    LIST->setSelectionMode(QAbstractItemView::SingleSelection);
    LIST->verticalHeader()->setVisible(false);
    LIST->verticalHeader()->setDefaultSectionSize(LIST->fontMetrics().height() + 6);
    LIST->horizontalHeader()->setStretchLastSection(true);
    LIST->setColumnWidth(0, 150);
    LIST->setColumnWidth(1, 140);

    COUNT = new QLabel(this);
    COUNT->setObjectName(QStringLiteral("COUNT"));
    CHARTBY = new QComboBox(this);
    CHARTBY->setObjectName(QStringLiteral("CHARTBY"));
    CHARTBY->addItems({tr("Pass rate per day"), tr("Pass rate per station")});
    PDF = new QPushButton(tr("PDF Report..."), this);
    PDF->setObjectName(QStringLiteral("PDF"));
    EXPORT = new QPushButton(tr("Export..."), this);
    EXPORT->setObjectName(QStringLiteral("EXPORT"));
    EXPORT->setToolTip(tr("Every inspection the search found, as CSV or JSON Lines"));
    auto* below = new QHBoxLayout;
    below->addWidget(COUNT, 1);
    below->addWidget(CHARTBY);
    below->addWidget(PDF);
    below->addWidget(EXPORT);

    CHART = new QChartView(this);
    CHART->setObjectName(QStringLiteral("CHART"));
    CHART->setMinimumHeight(200);
    CHART->setRenderHint(QPainter::Antialiasing);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(LIST, 3);
    layout->addLayout(below);
    layout->addWidget(CHART, 2);

    connect(SEARCH, &QPushButton::clicked, this, Guarded([this] { Search(); }));
    connect(SERIAL, &QLineEdit::returnPressed, this, Guarded([this] { Search(); }));
    connect(CHARTBY, &QComboBox::currentIndexChanged, this, Guarded([this] { ShowChart(); }));
    connect(LIST, &QTableView::doubleClicked, this,
            Guarded([this](const QModelIndex& i) { ShowRecord(i.row()); }));
    connect(PDF, &QPushButton::clicked, this, Guarded([this] { PdfClick(); }));
    connect(EXPORT, &QPushButton::clicked, this, Guarded([this] { ExportClick(); }));
}

TRecordsBrowser::~TRecordsBrowser()
{
    // The model refers to the store: it lets go first.
    Model_->Reset(nullptr, {});
}

TRecordFilter TRecordsBrowser::Filter() const
{
    TRecordFilter f;
    f.SerialPrefix = SERIAL->text().trimmed();
    f.From = FROM->date().startOfDay();
    f.To = TO->date().addDays(1).startOfDay();
    if (VERDICT->currentIndex() > 0)
        f.Verdict = VERDICT->currentData().toString();
    f.Station = STATION->text().trimmed();
    f.Profile = PROFILE->text().trimmed();
    return f;
}

bool TRecordsBrowser::Search()
{
    Model_->Reset(nullptr, {});
    Store_.reset();
    try
    {
        if (SOURCE->currentIndex() == 0)
            Store_ = TRecordStore::OpenLocal(LocalRecordStorePath());
        else
            Store_ = TRecordStore::OpenServer(TUserPreferences::PlantDatabase());
        const TRecordFilter filter = Filter();
        Searched_ = filter;
        const qint64 count = Store_->Count(filter);
        COUNT->setText(count == 1 ? tr("1 inspection") : tr("%1 inspections").arg(count));
        Model_->Reset(Store_.get(), filter);
        ShowChart();
        return true;
    }
    catch (const TRecordStoreError& e)
    {
        Store_.reset();
        COUNT->setText(QString::fromUtf8(e.what()));
        CHART->setChart(new QChart);
        return false;
    }
}

void TRecordsBrowser::ShowChart()
{
    if (!Store_)
        return;
    const bool perStation = CHARTBY->currentIndex() == 1;
    const std::vector<TPassRate> rates = Store_->PassRates(Filter(), perStation);
    auto* set = new QBarSet(tr("Pass rate %"));
    QStringList keys;
    for (const TPassRate& r : rates)
    {
        *set << (r.Inspections > 0
                     ? 100.0 * static_cast<double>(r.Passed) / static_cast<double>(r.Inspections)
                     : 0.0);
        // A day as MM-dd: the range is in the filter, and a year on every bar does not fit.
        keys << (perStation ? r.Key : r.Key.mid(5));
    }
    auto* series = new QBarSeries;
    series->append(set);
    auto* chart = new QChart;
    chart->addSeries(series);
    chart->legend()->setVisible(false);
    chart->setTitle(perStation ? tr("Pass rate per station") : tr("Pass rate per day (UTC)"));
    auto* x = new QBarCategoryAxis;
    x->append(keys);
    auto* y = new QValueAxis;
    y->setRange(0, 100);
    y->setLabelFormat(QStringLiteral("%d %%"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    QChart* old = CHART->chart();
    CHART->setChart(chart);
    delete old;
}

std::optional<TStoredInspection> TRecordsBrowser::RecordAt(int row)
{
    const TRecordSummary* r = Model_->At(row);
    if (!Store_ || !r)
        return std::nullopt;
    return Store_->Get(r->Id);
}

void TRecordsBrowser::ShowRecord(int row)
{
    const std::optional<TStoredInspection> s = RecordAt(row);
    if (!s)
        return;
    QDialog view(this);
    view.setObjectName(QStringLiteral("RecordView"));
    view.setWindowTitle(
        QStringLiteral("%1 %2").arg(s->Record.Serial, EngineText(s->Record.Verdict().toStdString())));
    auto* layout = new QVBoxLayout(&view);
    auto* picture = new QLabel(&view);
    QImage image;
    if (!s->ReportPng.isEmpty() && image.loadFromData(s->ReportPng, "PNG"))
        picture->setPixmap(QPixmap::fromImage(image));
    else
        picture->setText(tr("No report picture was kept for this inspection."));
    auto* scroll = new QScrollArea(&view);
    scroll->setWidget(picture);
    layout->addWidget(scroll, 3);
    auto* text = new QTextEdit(&view);
    text->setReadOnly(true);
    QStringList lines;
    lines << tr("Station %1, operator %2, %3").arg(s->Station, s->Operator, s->Record.Source);
    lines << tr("Verdict: %1").arg(EngineText(s->Record.Verdict().toStdString()));
    if (!s->Record.ProfileRowsText().isEmpty())
        lines << s->Record.ProfileRowsText();
    for (const TStoredFinding& f : s->Findings)
        lines << (f.Zone.isEmpty() ? tr("measured %1: %2 x %3 µm")
                                         .arg(f.Kind)
                                         .arg(static_cast<double>(f.SizeUm), 0, 'f', 2)
                                         .arg(static_cast<double>(f.LengthUm), 0, 'f', 1)
                                   : tr("%1 %2: box %3 x %4 px, area %5, size %6")
                                         .arg(f.Zone, f.Kind)
                                         .arg(static_cast<double>(f.Width))
                                         .arg(static_cast<double>(f.Height))
                                         .arg(static_cast<double>(f.Area))
                                         .arg(static_cast<double>(f.Size), 0, 'f', 1));
    text->setPlainText(lines.join(QLatin1Char('\n')));
    layout->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &view);
    connect(buttons, &QDialogButtonBox::rejected, &view, &QDialog::reject);
    layout->addWidget(buttons);
    view.resize(960, 700);
    view.exec();
}

void TRecordsBrowser::WritePdf(int row, const QString& path)
{
    const std::optional<TStoredInspection> s = RecordAt(row);
    if (!s)
        throw std::runtime_error(tr("No record is chosen").toStdString());
    // The end face is the picture's left part, as the window lays the report out.
    QImage face;
    if (!s->ReportPng.isEmpty() && face.loadFromData(s->ReportPng, "PNG"))
        face = face.copy(0, 0, std::min(face.width(), 640), std::min(face.height(), 480));
    const QByteArray pdf = RenderPdfReport(s->Record, face, LocalePageSize());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit())
        throw std::runtime_error(tr("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

void TRecordsBrowser::PdfClick()
{
    const QModelIndexList chosen = LIST->selectionModel()->selectedRows();
    if (chosen.isEmpty())
        return;
    const int row = chosen.first().row();
    const TRecordSummary* r = Model_->At(row);
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save PDF Report"),
        (r && !r->Serial.isEmpty() ? r->Serial : QStringLiteral("report")) + QStringLiteral(".pdf"),
        tr("PDF (*.pdf)"));
    if (!path.isEmpty())
        WritePdf(row, path);
}

qint64 TRecordsBrowser::Export(const QString& path, bool json)
{
    if (!Store_)
        throw std::runtime_error(tr("Search first: there is no record store open").toStdString());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(tr("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
    const qint64 written = ExportRecords(*Store_, Searched_, json, [&file](const QByteArray& line) {
        return file.write(line) == line.size();
    });
    if (!file.commit())
        throw std::runtime_error(tr("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
    return written;
}

void TRecordsBrowser::ExportClick()
{
    QString chosenFilter;
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Export Records"), QStringLiteral("inspections.csv"),
                                     QStringLiteral("CSV (*.csv);;JSON Lines (*.jsonl)"), &chosenFilter);
    if (path.isEmpty())
        return;
    const bool json =
        path.endsWith(QLatin1String(".jsonl")) || chosenFilter.startsWith(QLatin1String("JSON"));
    const qint64 written = Export(path, json);
    COUNT->setText(tr("%1 inspections exported to %2").arg(written).arg(path));
}
