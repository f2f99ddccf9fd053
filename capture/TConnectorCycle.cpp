#include "capture/TConnectorCycle.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace
{
// The crop reaches this far beyond the cladding, so zone B's edge and what lies on it show.
constexpr float CropMargin = 1.2f;
} // namespace

void TConnectorCycle::Start(const TCriteriaProfile& profile)
{
    Profile_ = profile;
    Inspection_ = TMtInspection();
    if (profile.Ferrule.MultiFibre())
        Inspection_.Start(profile);
    Crops_.assign(static_cast<std::size_t>(Inspection_.FibreCount()), Crop());
    LastCheck_ = TMtCheck();
    LastView_ = TConnectorView::NoFibre;
    Lowest_ = Highest_ = 0;
    Serial_.clear();
    Time_ = QDateTime();
    Views_ = 0;
    Files_.clear();
    Recorded_ = false;
    Filed_ = false;
}

void TConnectorCycle::BeginView(const QString& serial, const QDateTime& time, bool automaticMode)
{
    if (Views_ > 0 && automaticMode && serial != Serial_)
        Start(Profile_);
    if (Views_ == 0)
    {
        Serial_ = serial;
        Time_ = time;
    }
    ++Views_;
}

TConnectorView TConnectorCycle::Take(const TMtCheck& check, const QImage& picture)
{
    LastCheck_ = check;
    Lowest_ = Highest_ = 0;
    // A whole fibre the numbering puts outside the connector means the view is not where the
    // operator said: its fibres would be filed under the wrong numbers, so none is taken.
    for (const TFibreResult& f : check.Fibres)
        if (f.Where.WhollyInView && f.Number == 0 && check.Location.Kind == TMtViewKind::FibreView)
            return LastView_ = TConnectorView::Outside;
    const int judged = Inspection_.Take(check);
    for (const TFibreResult& f : check.Fibres)
    {
        if (!f.Judged() || f.Number < 1 || f.Number > Inspection_.FibreCount())
            continue;
        Lowest_ = Lowest_ == 0 ? f.Number : std::min(Lowest_, f.Number);
        Highest_ = std::max(Highest_, f.Number);
        const float reach = CropMargin * std::max(f.Where.RadiusX, f.Where.RadiusY);
        const int left = static_cast<int>(std::floor(f.Where.Centre.X - reach));
        const int top = static_cast<int>(std::floor(f.Where.Centre.Y - reach));
        const int side = static_cast<int>(std::ceil(2.0f * reach)) + 1;
        Crop& crop = Crops_[static_cast<std::size_t>(f.Number - 1)];
        // Parts beyond the picture come out black, so the fibre stays in the crop's middle.
        crop.Picture = picture.isNull() ? QImage() : picture.copy(left, top, side, side);
        crop.Where = f.Where;
        crop.Where.Centre.X -= static_cast<float>(left);
        crop.Where.Centre.Y -= static_cast<float>(top);
    }
    if (judged > 0)
        LastView_ = Inspection_.Complete() ? TConnectorView::Complete : TConnectorView::Partial;
    else if (check.Location.Kind == TMtViewKind::Overview)
        LastView_ = TConnectorView::Overview;
    else
        LastView_ = check.Fibres.empty() ? TConnectorView::NoFibre : TConnectorView::NotInView;
    return LastView_;
}

const TConnectorCycle::Crop* TConnectorCycle::CropOf(int number) const
{
    if (number < 1 || number > static_cast<int>(Crops_.size()))
        return nullptr;
    const Crop& crop = Crops_[static_cast<std::size_t>(number - 1)];
    return crop.Picture.isNull() ? nullptr : &crop;
}

QString TConnectorCycle::Progress() const
{
    switch (LastView_)
    {
    case TConnectorView::NoFibre:
        return QCoreApplication::translate("TConnectorCycle", "No fiber");
    case TConnectorView::Overview:
        return QCoreApplication::translate("TConnectorCycle", "Overview: certifies nothing");
    case TConnectorView::NotInView:
        return QCoreApplication::translate("TConnectorCycle", "Not in view: no fibre wholly seen");
    case TConnectorView::Outside:
        return QCoreApplication::translate("TConnectorCycle",
                                           "Fibres outside the connector: check First fibre");
    case TConnectorView::Partial:
    case TConnectorView::Complete:
        break;
    }
    const QString which =
        Lowest_ == Highest_
            ? QCoreApplication::translate("TConnectorCycle", "Fibre %1").arg(Lowest_)
            : QCoreApplication::translate("TConnectorCycle", "Fibres %1\u2013%2").arg(Lowest_).arg(Highest_);
    return which + QCoreApplication::translate("TConnectorCycle", " judged: %1 of %2")
                       .arg(Inspection_.Judged())
                       .arg(Inspection_.FibreCount());
}
