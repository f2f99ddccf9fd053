#include "live/TLiveAnalyzer.h"

#include "analysis/TFiberAnalyzer.h"
#include "ferrule/FibreRowLocator.h"
#include "platform/TBitmap.h"

#include <QImage>
#include <QSocketNotifier>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

TLiveAnalyzer::TLiveAnalyzer(QObject* parent)
    : QObject(parent), Analyzer_(std::make_unique<TFiberAnalyzer>()), Frame_(std::make_unique<TBitmap>()),
      Scaled_(std::make_unique<TBitmap>()), Rows_(std::make_unique<TFibreRowScratch>())
{
    qRegisterMetaType<TLiveResult>("TLiveResult");
    WakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    WakeNotifier_ = new QSocketNotifier(WakeFd_, QSocketNotifier::Read, this);
    connect(WakeNotifier_, &QSocketNotifier::activated, this, &TLiveAnalyzer::OnWake);
    Worker_ = std::thread([this] { Run(); });
}

TLiveAnalyzer::~TLiveAnalyzer()
{
    {
        std::lock_guard guard(Lock_);
        Stop_ = true;
    }
    Wake_.notify_one();
    Worker_.join();
    // The notifier goes before the descriptor it watches.
    delete WakeNotifier_;
    WakeNotifier_ = nullptr;
    if (WakeFd_ >= 0)
        close(WakeFd_);
}

bool TLiveAnalyzer::Offer(const QImage& frame, qint64 frameNumber, const TLiveSettings& settings)
{
    if (Busy_.load() || frame.isNull())
        return false;
    // The worker is idle and waits on the lock: the frame buffer is ours until it is woken.
    if (Frame_->Width() != frame.width() || Frame_->Height() != frame.height())
        Frame_->SetSize(frame.width(), frame.height());
    if (frame.format() == QImage::Format_BGR888)
    {
        const std::size_t bytes = 3 * static_cast<std::size_t>(frame.width());
        for (int y = 0; y < frame.height(); ++y)
            std::memcpy(Frame_->ScanLine(y), frame.constScanLine(y), bytes);
    }
    else if (frame.format() == QImage::Format_RGB32)
    {
        for (int y = 0; y < frame.height(); ++y)
        {
            const auto* in = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            std::uint8_t* out = Frame_->ScanLine(y);
            for (int x = 0; x < frame.width(); ++x, out += 3)
            {
                out[0] = static_cast<std::uint8_t>(qBlue(in[x]));
                out[1] = static_cast<std::uint8_t>(qGreen(in[x]));
                out[2] = static_cast<std::uint8_t>(qRed(in[x]));
            }
        }
    }
    else
        Frame_->Assign(frame);
    {
        std::lock_guard guard(Lock_);
        Settings_ = settings;
        FrameNumber_ = frameNumber;
        Pending_ = true;
        Busy_.store(true);
    }
    Wake_.notify_one();
    return true;
}

void TLiveAnalyzer::Run()
{
    for (;;)
    {
        TLiveSettings settings;
        qint64 frameNumber = 0;
        {
            std::unique_lock lock(Lock_);
            Wake_.wait(lock, [this] { return Pending_ || Stop_; });
            if (Stop_)
                return;
            Pending_ = false;
            settings = Settings_;
            frameNumber = FrameNumber_;
        }
        TLiveResult result = AnalyseLiveFrame(*Analyzer_, settings, *Frame_, *Scaled_, Edges_, Rows_.get());
        result.FrameNumber = frameNumber;
        // Handed to the owner's thread; the next frame is taken only after that.
        bool wake = false;
        {
            std::lock_guard guard(Lock_);
            Result_ = result;
            wake = !ResultFresh_;
            ResultFresh_ = true;
        }
        if (wake)
        {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = write(WakeFd_, &one, sizeof one);
        }
        Busy_.store(false);
    }
}

void TLiveAnalyzer::OnWake()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = read(WakeFd_, &count, sizeof count);
    TLiveResult result;
    {
        std::lock_guard guard(Lock_);
        if (!ResultFresh_)
            return;
        result = Result_;
        ResultFresh_ = false;
    }
    emit ResultReady(result);
}

void TFocusPeak::Update(const TLiveResult& r)
{
    if (!r.FiberInView)
    {
        Peak_ = 0.0f;
        return;
    }
    const float radius = r.ZoneRadius[2]; // the cladding's
    if (Peak_ > 0.0f && Radius_ > 0.0f &&
        (Distance(r.Center, Center_) > MovedShare * Radius_ ||
         std::fabs(radius - Radius_) > SizedShare * Radius_))
        Peak_ = 0.0f;
    if (r.Focus >= Peak_)
    {
        Peak_ = r.Focus;
        Center_ = r.Center;
        Radius_ = radius;
    }
}

bool TAutoCheckTrigger::Update(const TLiveResult& r, qint64 nowMs)
{
    if (!r.FiberInView)
    {
        // The connector was taken out: the next one may be checked.
        Armed_ = true;
        Peak_.Reset();
        Seen_ = false;
        SteadySince_ = -1;
        return false;
    }
    const bool still = Seen_ && Distance(r.Center, LastCenter_) <= StillPixels &&
                       std::fabs(r.Focus - LastFocus_) <= StillFocus * std::max(LastFocus_, 1e-6f);
    if (!still)
        SteadySince_ = nowMs;
    Seen_ = true;
    LastCenter_ = r.Center;
    LastFocus_ = r.Focus;
    Peak_.Update(r);
    // A view whose edge disagrees with the judging circle waits for the operator to centre it: a
    // Check now would judge with a caution.
    if (r.Caution)
        SteadySince_ = nowMs;
    if (!Armed_ || !Peak_.Reached(r.Focus) || nowMs - SteadySince_ < SteadyMs)
        return false;
    Armed_ = false;
    return true;
}
