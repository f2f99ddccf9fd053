#pragma once
// The plant database a test's own PostgreSQL server offers: its superuser, no TLS.

#include "records/RecordStore.h"
#include "tests/records/PostgresServer.h"

inline TPlantDatabase PlantDatabaseOf(const TPostgresServer& server, const QString& database)
{
    TPlantDatabase plant;
    plant.Host = server.Host();
    plant.Port = server.Port();
    plant.Database = database;
    plant.User = QStringLiteral("postgres");
    plant.SslMode = QStringLiteral("disable");
    plant.ConnectTimeoutSeconds = 2;
    return plant;
}
