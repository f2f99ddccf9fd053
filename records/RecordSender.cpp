// The sender's thread (see RecordSender.h). A server connection that failed is dropped and made
// anew at the next attempt: after a cut, Qt SQL's connection stays "open" but every statement
// fails.

#include "records/RecordSender.h"

#include <QMetaObject>
#include <memory>

TRecordSender::TRecordSender(const QString& localStore, const TPlantDatabase& server, QObject* parent)
    : QObject(parent), LocalStore_(localStore), Server_(server)
{
    Worker_ = std::thread([this] { Run(); });
}

TRecordSender::~TRecordSender()
{
    {
        std::lock_guard lock(Lock_);
        Stop_ = true;
    }
    Wake_.notify_one();
    Worker_.join();
}

void TRecordSender::Wake()
{
    {
        std::lock_guard lock(Lock_);
        Woken_ = true;
    }
    Wake_.notify_one();
}

void TRecordSender::Run()
{
    std::unique_ptr<TRecordStore> local, server;
    for (;;)
    {
        {
            std::unique_lock lock(Lock_);
            Wake_.wait_for(lock, RetryInterval, [this] { return Woken_ || Stop_; });
            if (Stop_)
                return;
            Woken_ = false;
        }
        qint64 waiting = -1;
        QString problem;
        try
        {
            if (!local)
                local = TRecordStore::OpenLocal(LocalStore_);
            if (local->WaitingCount() > 0)
            {
                if (!server)
                    server = TRecordStore::OpenServer(Server_);
                while (SendWaiting(*local, *server) > 0)
                {
                    std::lock_guard lock(Lock_);
                    if (Stop_)
                        return;
                }
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
        QMetaObject::invokeMethod(
            this, [this, waiting, problem] { emit Waiting(waiting, problem); }, Qt::QueuedConnection);
    }
}
