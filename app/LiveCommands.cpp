// The window's side of the live assistant: the two switches, handing live frames to the worker,
// the automatic Check, and drawing the newest result on the live picture. The live analysis has
// its own analyzer: the window's analyzer, its result view and its report grid are never touched.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "app/EngineTexts.h"
#include "app/TMainForm.h"
#include "app/UserPreferences.h"
#include "live/TLiveAnalyzer.h"
#include "platform/TApplication.h"
#include "profiles/ProfileOverlay.h"
#include "videograbber/TVideoGrabber.h"

#include <QApplication>
#include <QDateTime>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStaticText>
#include <QToolButton>
#include <array>
#include <cmath>

namespace
{
// Results without a fiber in a row before the automatic Check's result view gives way to live
// video: a connector being pulled out, not one bad frame.
constexpr int FiberGoneFrames = 5;

QToolButton* Switch(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setCheckable(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet(
        QStringLiteral("QToolButton { color: white; border: 1px solid transparent; padding: 0 4px; }"
                       "QToolButton:hover { border-color: white; }"
                       "QToolButton:checked { background: #ffd400; color: #000080; }"));
    return b;
}

const QFont& LiveFont()
{
    static const QFont font = [] {
        QFont f;
        f.setPixelSize(15);
        f.setBold(true);
        return f;
    }();
    return font;
}

// A text laid out and drawn once, on a transparent image, to be drawn on the frames as it is: on
// the frame's painter it would need the font set every frame, and setting a font allocates.
QImage TextImage(const QString& text, const QColor& colour, int& width)
{
    QStaticText layout(text);
    layout.prepare(QTransform(), LiveFont());
    const QSizeF size = layout.size();
    width = static_cast<int>(size.width());
    QImage image(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(LiveFont());
    painter.setPen(colour);
    painter.drawStaticText(0, 0, layout);
    return image;
}

// Dots along a circle, about one per pixel of its outline, skipping those outside the frame.
void CircleDots(std::vector<QPoint>& dots, float cx, float cy, float r, const QSize& frame)
{
    const int n = std::max(8, static_cast<int>(2.0f * 3.14159265f * r));
    for (int i = 0; i < n; ++i)
    {
        const float a = 2.0f * 3.14159265f * static_cast<float>(i) / static_cast<float>(n);
        const QPoint p(static_cast<int>(cx + r * std::cos(a)), static_cast<int>(cy + r * std::sin(a)));
        if (p.x() >= 0 && p.y() >= 0 && p.x() < frame.width() && p.y() < frame.height())
            dots.push_back(p);
    }
}
} // namespace

void TMainForm::BuildLiveControls()
{
    LIVEANALYSIS = Switch(TOP, "LIVEANALYSIS", tr("Live"),
                          tr("Live analysis (F2): zones, verdict and focus on the live picture"));
    AUTOCHECK = Switch(TOP, "AUTOCHECK", tr("Auto Check"),
                       tr("Automatic Check (F3): checks by itself at the sharpest steady picture"));
    LIVEANALYSIS->setChecked(TUserPreferences::LiveAnalysis());
    AUTOCHECK->setChecked(TUserPreferences::AutoCheck());
    AutoCheckTrigger_ = std::make_unique<TAutoCheckTrigger>();
    LiveResult_ = std::make_unique<TLiveResult>();
    LiveAnalyzer_ = new TLiveAnalyzer(this);
    // The automatic Check runs the whole Check cycle from here, saves included.
    connect(LiveAnalyzer_, &TLiveAnalyzer::ResultReady, this,
            Guarded([this](const TLiveResult& r) { LiveResultReady(r); }));
    connect(LIVEANALYSIS, &QToolButton::clicked, this, Guarded([this] { LIVEANALYSISClick(); }));
    connect(AUTOCHECK, &QToolButton::clicked, this, Guarded([this] { AUTOCHECKClick(); }));
}

void TMainForm::LIVEANALYSISClick()
{
    // The automatic Check needs the live analysis: turning this off turns both off.
    if (!LIVEANALYSIS->isChecked())
        AUTOCHECK->setChecked(false);
    *LiveResult_ = TLiveResult();
    LiveDotsSize_ = QSize();
    TUserPreferences::SetLiveAnalysis(LIVEANALYSIS->isChecked());
    TUserPreferences::SetAutoCheck(AUTOCHECK->isChecked());
}

void TMainForm::AUTOCHECKClick()
{
    AutoCheckRefused_.reset();
    if (AUTOCHECK->isChecked())
        LIVEANALYSIS->setChecked(true);
    AutoCheckTrigger_->Rearm();
    TUserPreferences::SetLiveAnalysis(LIVEANALYSIS->isChecked());
    TUserPreferences::SetAutoCheck(AUTOCHECK->isChecked());
}

void TMainForm::OfferLiveFrame(QPainter* Dc)
{
    ++LiveFrameNumber_;
    if (!LIVEANALYSIS->isChecked() || !Analyzer_)
        return;
    // In the result view only the automatic Check's result needs to know when the fiber goes.
    if (!VIDEO->isVisible() && !AutoCheckStarted_)
        return;
    QPaintDevice* device = Dc->device();
    if (!device || device->devType() != QInternal::Image)
        return;
    TLiveSettings settings = TLiveSettings::From(*Analyzer_);
    settings.Profile = LiveProfile_;
    settings.ClassicByEdge = LocateByEdge_;
    settings.FirstFibre = Cycle_.Connector.FirstFibre();
    LiveAnalyzer_->Offer(*static_cast<QImage*>(device), LiveFrameNumber_, settings);
}

void TMainForm::LiveResultReady(const TLiveResult& result)
{
    if (!LIVEANALYSIS->isChecked())
        return;
    *LiveResult_ = result;
    LiveDotsSize_ = QSize(); // drawn anew for this result
    // The focus peak the bar shows is the trigger's own, whether or not the trigger may fire.
    const bool mayFire = AUTOCHECK->isChecked() && Cycle_.State() == TCycleState::Live;
    if (!mayFire)
        AutoCheckTrigger_->Observe(result);
    if (!AUTOCHECK->isChecked())
        return;
    if (Cycle_.ShowingResult())
    {
        // The connector was pulled out after an automatic Check: back to live for the next one.
        FramesWithoutFiber_ = result.FiberInView ? 0 : FramesWithoutFiber_ + 1;
        if (AutoCheckStarted_ && FramesWithoutFiber_ >= FiberGoneFrames)
        {
            AutoCheckStarted_ = false;
            ResumeLive();
            AutoCheckTrigger_->Rearm();
        }
        return;
    }
    // A capture is under way.
    if (!mayFire)
        return;
    // A refused serial number is said once; the Check waits until the operator changes it.
    if (AutoCheckRefused_)
    {
        if (B_SERIAL->text() == *AutoCheckRefused_)
            return;
        AutoCheckRefused_.reset();
        AutoCheckTrigger_->Rearm();
    }
    // Never behind an open dialog or message box: the operator is busy there.
    if (QApplication::activeModalWidget())
        return;
    if (!AutoCheckTrigger_->Update(result, QDateTime::currentMSecsSinceEpoch()))
        return;
    CheckOrResume();
    if (Cycle_.CaptureRequested())
    {
        AutoCheckStarted_ = true;
        FramesWithoutFiber_ = 0;
    }
    else
        AutoCheckRefused_ = B_SERIAL->text();
}

void TMainForm::BuildLiveDrawing(const QSize& frame)
{
    LiveDotsSize_ = frame;
    for (auto& dots : LiveDots_)
        dots.clear();
    const TLiveResult& r = *LiveResult_;
    // The verdict's text is made again only when what it says changes.
    const std::array<int, 11> said = {r.FiberInView,
                                      r.NotWhollyInView,
                                      r.Caution,
                                      r.Pass,
                                      r.ZonePass[0],
                                      r.ZonePass[1],
                                      r.ZonePass[2],
                                      r.ZoneFindings[0],
                                      r.ZoneFindings[1],
                                      r.ZoneFindings[2],
                                      static_cast<int>(r.FailedZones)};
    const bool newText = said != LiveVerdictSaid_;
    LiveVerdictSaid_ = said;
    bool retext = newText;
    QString text;
    QColor colour;
    if (Profile_.Ferrule.MultiFibre())
    {
        // Each fibre marked where it lies, numbered as the Check will number it; a single
        // fibre's verdict would be wrong on a connector's picture, so none is given: the Check
        // judges every fibre of the view on its own.
        const bool scaled = frame.width() > AnalysisWidth || frame.height() > AnalysisHeight;
        const float sx = scaled ? static_cast<float>(frame.width()) / AnalysisWidth : 1.0f;
        const float sy = scaled ? static_cast<float>(frame.height()) / AnalysisHeight : 1.0f;
        int first = 0, last = 0;
        for (int i = 0; r.MultiFibre && i < r.FibreCount; ++i)
        {
            const TLiveResult::TFibre& f = r.Fibres[static_cast<std::size_t>(i)];
            CircleDots(LiveDots_[f.Whole && f.Number > 0 ? 1 : 2], f.Centre.X * sx, f.Centre.Y * sy,
                       f.Radius * (sx + sy) / 2.0f, frame);
            if (f.Whole && f.Number > 0)
            {
                first = first == 0 ? f.Number : std::min(first, f.Number);
                last = std::max(last, f.Number);
            }
        }
        if (newText || LiveFibresSaid_ != std::make_pair(first, last))
        {
            LiveFibresSaid_ = {first, last};
            retext = true;
            text = r.Overview      ? tr("Overview: the Check numbers the fibres, certifies nothing")
                   : first == 0    ? tr("No whole fibre in view")
                   : first == last ? tr("Fibre %1 in view: Check judges it").arg(first)
                                   : tr("Fibres %1\u2013%2 in view: Check judges each").arg(first).arg(last);
        }
        colour = QColor(255, 212, 0);
    }
    else if (!r.FiberInView)
    {
        if (newText)
            text = r.NotWhollyInView ? tr("%1: centre the fiber").arg(EngineText(NotInViewVerdict))
                                     : tr("No fiber in view");
        colour = QColor(255, 255, 0);
    }
    else
    {
        // Frames larger than the analysis were scaled down for it; smaller ones lie at its corner.
        const bool scaled = frame.width() > AnalysisWidth || frame.height() > AnalysisHeight;
        const float sx = scaled ? static_cast<float>(frame.width()) / AnalysisWidth : 1.0f;
        const float sy = scaled ? static_cast<float>(frame.height()) / AnalysisHeight : 1.0f;
        const float cx = r.Center.X * sx;
        const float cy = r.Center.Y * sy;
        const float s = (sx + sy) / 2.0f;
        text = EngineText(r.Pass ? "Pass" : "Fail");
        if (r.TrueSize)
        {
            // The profile's own zones and names; the result may be of a frame judged just before
            // the profile changed, so the names are looked up within bounds.
            const std::vector<float>& bounds = LiveZoneBounds_;
            for (std::size_t i = 0; r.UmPerPixel > 0.0f && i < bounds.size(); ++i)
                CircleDots(LiveDots_[i == 0                   ? 0
                                     : i + 1 == bounds.size() ? 2
                                                              : 1],
                           cx, cy, bounds[i] / 2.0f / r.UmPerPixel * s, frame);
            for (std::size_t z = 0; z < Profile_.Zones.size() && z < 32 && newText; ++z)
                if (r.FailedZones & (1u << z))
                    text += QStringLiteral("  ") +
                            tr("zone %1").arg(QString::fromStdString(Profile_.Zones[z].Name));
        }
        else
        {
            CircleDots(LiveDots_[0], cx, cy, r.ZoneRadius[r.Mode == 0 ? 0 : 1] * s, frame);
            CircleDots(LiveDots_[1], cx, cy, r.ZoneRadius[2] * s, frame);
            CircleDots(LiveDots_[1], cx, cy, r.ZoneRadius[3] * s, frame);
            CircleDots(LiveDots_[2], cx, cy, r.ZoneRadius[4] * s, frame);
            const char* zones[] = {QT_TR_NOOP("core"), QT_TR_NOOP("cladding"), QT_TR_NOOP("contact")};
            for (int z = 0; z < 3 && newText; ++z)
                if (!r.ZonePass[z])
                    text += QStringLiteral("  %1 %2").arg(tr(zones[z])).arg(r.ZoneFindings[z]);
        }
        // The automatic Check waits while the edge disagrees; the operator learns why.
        if (r.Caution && newText)
            text += QStringLiteral("  ") + tr("edge uncertain");
        colour = r.Pass ? QColor(0, 200, 0) : QColor(255, 40, 40);
    }
    // The colour follows what is said, so a new colour comes with a new text.
    if (retext)
        LiveVerdict_ = TextImage(text, colour, LiveVerdictWidth_);
    const int badge = AUTOCHECK->isChecked() ? 1 : 0;
    if (badge != LiveBadgeSaid_)
    {
        LiveBadgeSaid_ = badge;
        LiveBadge_ =
            TextImage(badge ? tr("LIVE  AUTO CHECK") : tr("LIVE"), QColor(255, 212, 0), LiveBadgeWidth_);
    }
}

void TMainForm::DrawLiveOverlay(QPainter* Dc)
{
    if (!LIVEANALYSIS->isChecked())
        return;
    QPaintDevice* device = Dc->device();
    if (!device)
        return;
    const QSize frame(device->width(), device->height());
    if (frame != LiveDotsSize_)
        BuildLiveDrawing(frame);
    const QRgb* colours = ZoneColours;
    if (device->devType() == QInternal::Image && Dc->transform().isIdentity())
    {
        QImage& image = *static_cast<QImage*>(device);
        for (int c = 0; c < 3; ++c)
            for (const QPoint& dot : LiveDots_[c])
                image.setPixel(dot, colours[c]);
    }
    else
        for (int c = 0; c < 3; ++c)
        {
            Dc->setPen(QColor(colours[c]));
            Dc->drawPoints(LiveDots_[c].data(), static_cast<int>(LiveDots_[c].size()));
        }
    // The verdict and the focus bar at the bottom left, what is on at the top left, each on a
    // dark ground so they read on a bright ferrule as on a dark frame.
    const QColor ground(0, 0, 0, 150);
    const int width = std::min(220, frame.width() / 3);
    const int boxTop = frame.height() - 48;
    Dc->fillRect(QRect(4, boxTop, std::max(width, LiveVerdictWidth_) + 8, 44), ground);
    Dc->fillRect(QRect(4, 4, LiveBadgeWidth_ + 8, 22), ground);
    Dc->drawImage(QPoint(8, boxTop + 4), LiveVerdict_);
    Dc->drawImage(QPoint(8, 6), LiveBadge_);
    if (!LiveResult_->FiberInView)
        return;
    // The focus bar: the score against the best since the fiber came into view, whose mark sits
    // at four fifths of the bar; turn the focus until the bar reaches the mark. Green when the
    // automatic Check would take it as sharp.
    const TFocusPeak& focus = AutoCheckTrigger_->Focus();
    const float peak = focus.Peak();
    const int full = width * 4 / 5;
    const int fill =
        peak > 0.0f
            ? std::clamp(static_cast<int>(static_cast<float>(full) * LiveResult_->Focus / peak), 0, width)
            : 0;
    const QRect bar(8, frame.height() - 16, width, 8);
    Dc->fillRect(bar, QColor(40, 40, 40));
    Dc->fillRect(QRect(bar.left(), bar.top(), fill, bar.height()),
                 focus.Reached(LiveResult_->Focus) ? QColor(0, 220, 0) : QColor(255, 212, 0));
    Dc->fillRect(QRect(bar.left() + full, bar.top() - 3, 2, bar.height() + 6), Qt::white);
}
