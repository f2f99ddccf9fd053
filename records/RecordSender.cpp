// The sender's thread (see RecordSender.h). A server connection that failed is dropped and made
// anew at the next attempt: after a cut, Qt SQL's connection stays "open" but every statement
// fails. The thread holds what it works with in TShared, never the sender itself, so that it may
// outlive the sender; it reports to the sender only under the lock and only while the sender has
// not begun to stop.

#include "records/RecordSender.h"

#include <QMetaObject>
#include <condition_variable>
#include <mutex>

struct TRecordSender::TShared
{
    QString LocalStore;
    TPlantDatabase Server;
    std::mutex Lock;
    std::condition_variable Changed; // woken, stopped, finished
    TRecordSender* Owner = nullptr;  // null once stopping
    bool Woken = true;               // the first attempt at once: what an earlier run left
    bool Stop = false;
    bool Finished = false;
    bool Detached = false;
};

TRecordSender::TRecordSender(const QString& localStore, const TPlantDatabase& server, QObject* parent)
    : QObject(parent), Shared_(std::make_shared<TShared>())
{
    Shared_->LocalStore = localStore;
    Shared_->Server = server;
    Shared_->Owner = this;
    Worker_ = std::thread([shared = Shared_] { Run(shared); });
}

TRecordSender::~TRecordSender()
{
    std::unique_lock lock(Shared_->Lock);
    Shared_->Stop = true;
    Shared_->Owner = nullptr;
    Shared_->Changed.notify_all();
    if (Shared_->Changed.wait_for(lock, StopWait, [this] { return Shared_->Finished; }))
    {
        lock.unlock();
        Worker_.join();
        return;
    }
    Shared_->Detached = true;
    ++Unfinished_;
    lock.unlock();
    Worker_.detach();
}

void TRecordSender::Wake()
{
    {
        std::lock_guard lock(Shared_->Lock);
        Shared_->Woken = true;
    }
    Shared_->Changed.notify_all();
}

void TRecordSender::Run(const std::shared_ptr<TShared>& shared)
{
    TShared& s = *shared;
    const auto stopping = [&s] {
        std::lock_guard lock(s.Lock);
        return s.Stop;
    };
    {
        std::unique_ptr<TRecordStore> local, server;
        for (;;)
        {
            {
                std::unique_lock lock(s.Lock);
                s.Changed.wait_for(lock, RetryInterval, [&s] { return s.Woken || s.Stop; });
                if (s.Stop)
                    break;
                s.Woken = false;
            }
            qint64 waiting = -1;
            QString problem;
            try
            {
                if (!local)
                    local = TRecordStore::OpenLocal(s.LocalStore);
                if (local->WaitingCount() > 0)
                {
                    if (!server)
                        server = TRecordStore::OpenServer(s.Server);
                    // One at a time, so that a stop is seen between any two.
                    while (!stopping())
                        if (SendWaiting(*local, *server, 1) == 0)
                            break;
                }
                waiting = local->WaitingCount();
            }
            catch (const TRecordStoreError& e)
            {
                problem = QString::fromUtf8(e.what());
                server.reset();
                try
                {
                    waiting = local ? local->WaitingCount() : -1;
                }
                catch (const TRecordStoreError&)
                {
                    local.reset();
                }
            }
            std::lock_guard lock(s.Lock);
            if (s.Stop)
                break;
            // Posted under the lock: the sender cannot be destroyed meanwhile, and destroying it
            // later drops the call with it.
            QMetaObject::invokeMethod(
                s.Owner, [owner = s.Owner, waiting, problem] { emit owner->Waiting(waiting, problem); },
                Qt::QueuedConnection);
        }
    }
    // The connections are closed; only now is the attempt over.
    std::lock_guard lock(s.Lock);
    s.Finished = true;
    if (s.Detached)
        --Unfinished_;
    s.Changed.notify_all();
}
