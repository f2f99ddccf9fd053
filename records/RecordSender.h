#pragma once
// Sends the station's outbox to the plant database on a thread of its own, so a server that is
// slow, away or cut off mid-transaction never holds the window. It wakes when told (a record was
// just queued) and every RetryInterval otherwise, sends everything waiting, and says how many
// records still wait and why, on the thread that owns it.
//
// Its connections are its own (Qt SQL ties a connection to its thread): the local store is
// opened again there, by file name.
//
// Stopping never waits on the server: an attempt that is still connecting (a silent server holds
// it for the whole connection time-out) or sending after StopWait is left to end by itself, with
// state of its own, and the sender is gone at once. Nothing is lost that way: a record leaves the
// outbox only after the server has committed it, so whatever the attempt did not finish is sent
// at the next start.

#include "records/RecordStore.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

class TRecordSender : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds RetryInterval{5000};
    static constexpr std::chrono::milliseconds StopWait{100};

    TRecordSender(const QString& localStore, const TPlantDatabase& server, QObject* parent = nullptr);
    ~TRecordSender() override;

    // Something was queued: send now rather than at the next retry.
    void Wake();

    // Attempts left to end by themselves by senders already gone. The program exits without
    // waiting for them; a test waits until there are none.
    static int Unfinished() { return Unfinished_.load(); }

signals:
    // After each attempt: what still waits, and why when the server failed (empty when it took
    // everything).
    void Waiting(qint64 count, const QString& problem);

private:
    struct TShared;
    static void Run(const std::shared_ptr<TShared>& shared);

    std::shared_ptr<TShared> Shared_;
    std::thread Worker_;
    static inline std::atomic<int> Unfinished_{0};
};
