#pragma once

#include "common/TestSupport.h"

#include "platform/ProgressView.h"

#include <QFile>
#include <QStringList>

// The progress dialog's steps, recorded as text. A delayed close dies with the view through
// ProgressView::lifetime(), as the GUI's does.
class RecordingProgressView final : public ProgressView {
public:
    QStringList steps;
    bool canShow = true;
    bool show() override { return steps << QStringLiteral("show"), canShow; }
    void setHeaderText(const QString& text) override { steps << QStringLiteral("header ") + text; }
    void setMaximum(int maximum) override { steps << QStringLiteral("maximum %1").arg(maximum); }
    void advance(int by) override { steps << QStringLiteral("advance %1").arg(by); }
    void stop() override { steps << QStringLiteral("stop"); }
    void close() override { steps << QStringLiteral("close"); }
    // Kept apart from the steps: the line below the bar and the Cancel button's action.
    QString progressText;
    std::function<void()> cancelHandler;
    void setProgressText(const QString& text) override { progressText = text; }
    void setCancelHandler(std::function<void()> handler) override { cancelHandler = std::move(handler); }
    // Questions asked in the dialog ("message [Button|Button]"), answered from answers in
    // order, then with the default button.
    QStringList questions;
    QList<int> answers;
    int ask(const QString& message, const QStringList& buttons, int defaultButton) override {
        questions << message + QStringLiteral(" [") + buttons.join(u'|') + u']';
        return answers.isEmpty() ? defaultButton : answers.takeFirst();
    }
};

using testsupport::pictureData;

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
