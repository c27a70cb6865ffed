#pragma once

#include "platform/FilePanels.h"

// File panels shown with Qt's own file dialog, so the accessory check box and note can sit
// under the file list. A folder panel for a type ("library") chooses a folder whose name
// carries that extension; a save panel only answers a path (with the extension appended
// when it is missing) and creates nothing. The last folder used is remembered.
class QtFilePanels final : public FilePanels {
public:
    FilePanelResult runOpenPanel(const FilePanelRequest& request) override;
    FilePanelResult runSavePanel(const FilePanelRequest& request) override;

    // The folder a panel opens in when the request names none.
    static QString startDirectory(const FilePanelRequest& request);
    // A save panel's answer: path with the first file type appended when it has none of them.
    static QString pathWithExtension(const QString& path, const QStringList& fileTypes);

private:
    FilePanelResult run(const FilePanelRequest& request, bool save);
};
