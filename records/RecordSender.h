#pragma once
// Sends the station's outbox to the plant database on a thread of its own, so a server that is
// slow, away or cut off mid-transaction never holds the window. It wakes when told (a record was
// just queued) and every RetryInterval otherwise, sends everything waiting, and says how many
// records still wait and why, on the thread that owns it.
//
// Its connections are its own (Qt SQL ties a connection to its thread): the local store is
// opened again there, by file name.

#include "records/RecordStore.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class TRecordSender : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds RetryInterval{5000};

    TRecordSender(const QString& localStore, const TPlantDatabase& server, QObject* parent = nullptr);
    ~TRecordSender() override;

    // Something was queued: send now rather than at the next retry.
    void Wake();

signals:
    // After each attempt: what still waits, and why when the server failed (empty when it took
    // everything).
    void Waiting(qint64 count, const QString& problem);

private:
    void Run();

    QString LocalStore_;
    TPlantDatabase Server_;
    std::mutex Lock_;
    std::condition_variable Wake_;
    bool Woken_ = true; // the first attempt at once: what an earlier run left
    bool Stop_ = false;
    std::thread Worker_;
};
