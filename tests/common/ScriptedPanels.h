#pragma once

#include "platform/FilePanels.h"

#include <QList>

// File panels answered from a queue; every request is kept so a test can check its file
// types and texts. With the queue empty the panel is cancelled.
class ScriptedPanels final : public FilePanels {
public:
    QList<FilePanelResult> answers;
    QList<FilePanelRequest> asked;

    void answer(const QString& path, bool checkBox = false) {
        answers.append(FilePanelResult{true, path, checkBox});
    }
    void cancel() { answers.append(FilePanelResult{}); }
    FilePanelResult runOpenPanel(const FilePanelRequest& request) override { return next(request); }
    FilePanelResult runSavePanel(const FilePanelRequest& request) override { return next(request); }

private:
    FilePanelResult next(const FilePanelRequest& request) {
        asked.append(request);
        return answers.isEmpty() ? FilePanelResult{} : answers.takeFirst();
    }
};
