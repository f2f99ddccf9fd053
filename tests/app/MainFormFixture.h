#pragma once
// Shared by the window tests: one application object for the test process, a temporary start
// directory per test (construction reads SystemSetting.ini from the current directory), and a
// message-box hook that records every box and answers from a script.

#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "platform/MessageBox.h"
#include "platform/TBitmap.h"
#include "videograbber/TVideoGrabber.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

struct ShownMessage
{
    QString Text;
    QString Caption;
    QMessageBox::Icon Icon;
};

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the window; the start-up WiFi question is answered with startAnswer.
    std::unique_ptr<TMainForm> MakeForm(QMessageBox::StandardButton startAnswer = QMessageBox::No);
    // Answers for the next questions, in order; without one a question gets No, a notice Ok.
    void Answer(QMessageBox::StandardButton button) { Answers.push_back(button); }
    int CountMessages(const QString& text) const;
    // WiFi questions, with or without the reason of a stop before them.
    int CountQuestions() const;
    QString Path(const QString& name) const { return QDir(Dir.path()).filePath(name); }

    QTemporaryDir Dir;
    QString PreviousDir;
    std::vector<ShownMessage> Messages;
    std::deque<QMessageBox::StandardButton> Answers;
};

// Writes a 24-bit BMP of a bright disc (the cladding) on a dark ground, width x height.
void WriteEndFace(const QString& path, int width, int height);
