#pragma once

#include <QString>
#include <QStringList>

// The port through which controllers ask the user for a file or folder. The GUI answers
// with Qt file dialogs; tests answer from a script and keep the requests.

struct FilePanelRequest {
    QString title;
    QStringList fileTypes;      // extensions without the dot; empty: any
    bool chooseFolders = false; // a folder whose name has one of fileTypes (a "library")
    bool canCreateFolders = false;
    QString proposedName;  // save panels: the file name offered
    QString directory;     // where the panel starts; empty: the last place or Documents
    QString checkBoxTitle; // accessory check box; empty: none
    bool checkBoxState = false;
    QString note; // accessory note under the check box; empty: none
};

struct FilePanelResult {
    bool confirmed = false;
    QString path;
    bool checkBoxState = false;
};

class FilePanels {
public:
    virtual ~FilePanels() = default;
    virtual FilePanelResult runOpenPanel(const FilePanelRequest& request) = 0;
    virtual FilePanelResult runSavePanel(const FilePanelRequest& request) = 0;
};
