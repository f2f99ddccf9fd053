// The window's side of a multi-fibre connector: the first fibre in view, a new connector, and the
// Check of one view (every fibre of the picture located, numbered and judged on its own). The
// cycle's connector decides what a view means and when the connector has its verdict; these
// handlers ask it, then update the widgets. The record and the report under the serial follow
// the rules of every other judgement (FileAndLog), once the connector is complete.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "criteria/FibreStrip.h"
#include "imaging/TLumarcRaster.h"
#include "platform/FormWidgets.h"
#include "platform/TApplication.h"
#include "platform/TBitmap.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

void TMainForm::BuildConnectorControls()
{
    FIRSTFIBRELABEL = Make<QLabel>(RIGHT, "FIRSTFIBRELABEL", 8, 413, 58, 19);
    FIRSTFIBRELABEL->setText(tr("First fibre"));
    FIRSTFIBRE = Make<QSpinBox>(RIGHT, "FIRSTFIBRE", 66, 412, 50, 21);
    FIRSTFIBRE->setToolTip(tr("The fibre at the left of the upper row in the scope's view; "
                              "the next Check carries on from the last view by itself"));
    NEWCONNECTOR = Make<QPushButton>(RIGHT, "NEWCONNECTOR", 152, 411, 105, 23);
    NEWCONNECTOR->setText(tr("New Connector"));
    NEWCONNECTOR->setToolTip(tr("Start the next connector: every fibre not judged"));
    FIBRES = Make<TFibreStrip>(LEFT, "FIBRES", 0, 0, 640, TFibreStrip::HeightFor(1));
    for (QWidget* w : std::initializer_list<QWidget*>{FIRSTFIBRELABEL, FIRSTFIBRE, NEWCONNECTOR, FIBRES})
        w->setVisible(false);
    connect(FIRSTFIBRE, &QSpinBox::valueChanged, this, Guarded([this](int n) { FIRSTFIBREChange(n); }));
    connect(NEWCONNECTOR, &QPushButton::clicked, this, Guarded([this] { NEWCONNECTORClick(); }));
    FIBRES->OnFibreClicked = Guarded([this](int n) { FIBRESClick(n); });
}

void TMainForm::ShowConnectorControls()
{
    // The layout of the window under construction comes before its controls.
    if (!FIBRES)
        return;
    const TFerruleLayout& layout = Profile_.Ferrule;
    const bool multi = layout.MultiFibre() && !InReportLayout_;
    FIRSTFIBRELABEL->setVisible(multi);
    FIRSTFIBRE->setVisible(multi);
    NEWCONNECTOR->setVisible(multi);
    // The profile fixes the fiber mode: the mode's buttons make way for the connector's.
    M_SINGLE->setVisible(!layout.MultiFibre());
    M_MULTI->setVisible(!layout.MultiFibre());
    FIBRES->setVisible(layout.MultiFibre());
    if (!layout.MultiFibre())
        return;
    const TConnectorCycle& connector = Cycle_.Connector;
    {
        const QSignalBlocker quiet(FIRSTFIBRE);
        FIRSTFIBRE->setRange(1, std::max(layout.Fibres(), 1));
        FIRSTFIBRE->setValue(connector.FirstFibre());
    }
    std::vector<TFibreStrip::Cell> cells;
    for (int n = 1; n <= connector.Inspection().FibreCount(); ++n)
    {
        const TMtInspection::Fibre& f = connector.Inspection().At(n);
        cells.push_back({n, f.Verdict, f.Times, false});
    }
    for (const TFibreResult& f : connector.LastCheck().Fibres)
        if (f.Number >= 1 && f.Number <= static_cast<int>(cells.size()))
            cells[static_cast<std::size_t>(f.Number - 1)].InLastView = true;
    FIBRES->SetFibres(std::move(cells), layout.FibresPerRow);
    const int height = TFibreStrip::HeightFor(std::max(layout.Rows, 1));
    FIBRES->setGeometry(0, LEFT->height() - height, LEFT->width(), height);
    FIBRES->raise();
}

void TMainForm::NEWCONNECTORClick()
{
    Cycle_.Connector.Start(Profile_);
    ShowConnectorControls();
    ShowConnectorGrid();
    // The result on screen belongs to the connector before: the next one starts from live video.
    if (Cycle_.ShowingResult())
        ResumeLive();
}

void TMainForm::FIRSTFIBREChange(int number)
{
    Cycle_.Connector.SetFirstFibre(number);
}

void TMainForm::FIBRESClick(int number)
{
    ShowFibre(number);
}

bool TMainForm::ConnectorShown() const
{
    return Profile_.Ferrule.MultiFibre() && Cycle_.Connector.Views() > 0;
}

void TMainForm::RunConnectorAnalysis()
{
    // No single fibre's circle judges here: each fibre has its own.
    Location_ = TFiberLocation();
    Location_.Outcome = TFiberOutcome::NoFiber;
    Analyzer_->PrepareImage();
    if (!Cycle_.Connector.Active())
        Cycle_.Connector.Start(Profile_);
    Cycle_.Connector.BeginView(Cycle_.Shown.Serial, Cycle_.Shown.Time, B_AUTO->isChecked());
    TakeConnectorView(FibreCheck_(*Analyzer_, Profile_, Cycle_.Connector.FirstFibre(), FibreScratch_));
}

void TMainForm::TakeConnectorView(const TMtCheck& check)
{
    const QImage picture = Analyzer_->WorkRaster && Analyzer_->WorkRaster->Bitmap
                               ? Analyzer_->WorkRaster->Bitmap->Image()
                               : QImage();
    const TConnectorView view = Cycle_.Connector.Take(check, picture);
    Cycle_.ConnectorViewTaken(view, B_AUTO->isChecked());
    ShowConnectorResult();
    PB->setVisible(true);
    PB->repaint();
    RIGHT->repaint();
    // Files of the views before completion (a Ctrl+Check's frames) go with the connector's record.
    Cycle_.Connector.AddFiles(Cycle_.TakeFiles());
    if (!Cycle_.Connector.RecordDue())
        return;
    // A complete connector with a fibre judged again is recorded again, as any re-judgement.
    if (Cycle_.Connector.Recorded())
        Cycle_.Rejudged(QDateTime::currentDateTime());
    Cycle_.Connector.MarkRecorded();
    FileAndLog(Cycle_.Connector.TakeFiles());
}
