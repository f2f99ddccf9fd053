#pragma once
// Runs the built analyser by path, as a script would, with a time-out.

#include "tools/EndFaceGenerator.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct RunResult
{
    int Exit = -1;
    QString Out;
    QString Err;
};

inline RunResult Analyze(const QStringList& args, const QString& workingDir = {},
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.setProcessEnvironment(environment);
    p.start(FS_ANALYZE_PATH, args);
    RunResult r;
    if (!p.waitForFinished(60000))
    {
        p.kill();
        p.waitForFinished(5000);
        ADD_FAILURE() << "analyser timed out";
        return r;
    }
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline QStringList Lines(const QString& text)
{
    return text.split('\n', Qt::SkipEmptyParts);
}

inline QJsonObject ParseLine(const QString& line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_TRUE(doc.isObject()) << line.toStdString();
    return doc.object();
}

inline QString WriteImage(const QTemporaryDir& dir, const QString& name, const EndFaceRecipe& recipe)
{
    const QString path = dir.filePath(name);
    std::string error;
    EXPECT_TRUE(WriteEndFace(MakeEndFace(recipe), !recipe.Colour, path.toStdString(), error)) << error;
    return path;
}

inline QString WriteText(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return f.fileName();
}
