#include "QtFilePanels.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kLastDirectoryKey = QStringLiteral("FilePanels/lastDirectory");

bool hasOneOfTypes(const QString& path, const QStringList& fileTypes) {
    if (fileTypes.isEmpty())
        return true;
    const QString suffix = QFileInfo(path).suffix();
    return fileTypes.contains(suffix);
}

// The dialog with the choices Qt's dialog does not make itself: a folder of a type is
// chosen rather than entered, and a save answer gets its extension before the question
// about replacing what is already there.
class PanelDialog : public QFileDialog {
public:
    PanelDialog(const FilePanelRequest& request, bool save, QWidget* parent)
        : QFileDialog(parent), m_request(request), m_save(save) {}

    QString chosenPath() const { return m_chosen; }

    void accept() override {
        const QString selected = selectedFiles().value(0);
        if (selected.isEmpty())
            return;
        const QFileInfo info(selected);
        if (m_save) {
            // A plain folder typed or selected is entered, as in any save dialog.
            if (info.isDir() && !hasOneOfTypes(selected, m_request.fileTypes)) {
                setDirectory(info.absoluteFilePath());
                return;
            }
            const QString path =
                QtFilePanels::pathWithExtension(info.absoluteFilePath(), m_request.fileTypes);
            if (QFileInfo::exists(path) && !confirmReplace(path))
                return;
            m_chosen = path;
            QDialog::accept();
            return;
        }
        if (m_request.chooseFolders) {
            if (info.isDir() && hasOneOfTypes(selected, m_request.fileTypes)) {
                m_chosen = info.absoluteFilePath();
                QDialog::accept();
            } else if (info.isDir()) {
                setDirectory(info.absoluteFilePath());
            }
            return;
        }
        if (info.isDir()) {
            setDirectory(info.absoluteFilePath());
        } else if (info.isFile() && hasOneOfTypes(selected, m_request.fileTypes)) {
            m_chosen = info.absoluteFilePath();
            QDialog::accept();
        }
    }

private:
    bool confirmReplace(const QString& path) {
        QMessageBox box(this);
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QCoreApplication::applicationName());
        box.setText(QCoreApplication::translate("QtFilePanels",
                                                "\u201c%1\u201d already exists. Do you want to replace it?")
                        .arg(QFileInfo(path).fileName()));
        box.setInformativeText(
            QCoreApplication::translate("QtFilePanels", "Replacing it will overwrite its current contents."));
        QPushButton* replace = box.addButton(QCoreApplication::translate("QtFilePanels", "Replace"),
                                             QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(cancel);
        box.exec();
        return box.clickedButton() == static_cast<QAbstractButton*>(replace);
    }

    FilePanelRequest m_request;
    bool m_save;
    QString m_chosen;
};

QStringList nameFilters(const QStringList& fileTypes) {
    if (fileTypes.isEmpty())
        return {};
    QStringList patterns;
    for (const QString& type : fileTypes)
        patterns.append(QStringLiteral("*.") + type);
    return {QCoreApplication::translate("QtFilePanels", "Supported files (%1)")
                .arg(patterns.join(QLatin1Char(' ')))};
}

} // namespace

QString QtFilePanels::startDirectory(const FilePanelRequest& request) {
    if (!request.directory.isEmpty() && QFileInfo(request.directory).isDir())
        return request.directory;
    const QString last = QSettings().value(kLastDirectoryKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString QtFilePanels::pathWithExtension(const QString& path, const QStringList& fileTypes) {
    QString cleaned = QDir::cleanPath(path);
    if (fileTypes.isEmpty() || hasOneOfTypes(cleaned, fileTypes))
        return cleaned;
    return cleaned + QLatin1Char('.') + fileTypes.first();
}

FilePanelResult QtFilePanels::runOpenPanel(const FilePanelRequest& request) {
    return run(request, false);
}

FilePanelResult QtFilePanels::runSavePanel(const FilePanelRequest& request) {
    return run(request, true);
}

FilePanelResult QtFilePanels::run(const FilePanelRequest& request, bool save) {
    PanelDialog dialog(request, save, QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setDirectory(startDirectory(request));
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);

    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::ReadOnly, !request.canCreateFolders);
        // Replacing is asked by the dialog above, after the extension is added.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!request.proposedName.isEmpty())
            dialog.selectFile(request.proposedName);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setOption(QFileDialog::ReadOnly, !request.canCreateFolders);
        if (request.chooseFolders) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("QtFilePanels", "Choose"));
        } else {
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
    }
    if (!request.chooseFolders)
        dialog.setNameFilters(nameFilters(request.fileTypes));

    // The accessory goes under the file list, across the whole dialog.
    QCheckBox* checkBox = nullptr;
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        if (!request.checkBoxTitle.isEmpty()) {
            checkBox = new QCheckBox(request.checkBoxTitle, &dialog);
            checkBox->setChecked(request.checkBoxState);
            grid->addWidget(checkBox, row, 0, 1, grid->columnCount());
        }
        if (!request.note.isEmpty()) {
            auto* note = new QLabel(request.note, &dialog);
            note->setWordWrap(true);
            note->setAlignment(Qt::AlignHCenter);
            note->setStyleSheet(QStringLiteral("color: #444444;"));
            QFont noteFont(QStringLiteral("Helvetica"));
            noteFont.setPointSize(13);
            note->setFont(noteFont);
            grid->addWidget(note, row + 1, 0, 1, grid->columnCount());
        }
    } else if (!request.checkBoxTitle.isEmpty() || !request.note.isEmpty()) {
        qWarning("file panel has no layout for its accessory view");
    }

    FilePanelResult result;
    result.checkBoxState = request.checkBoxState;
    if (dialog.exec() != QDialog::Accepted || dialog.chosenPath().isEmpty())
        return result;
    result.confirmed = true;
    result.path = dialog.chosenPath();
    if (checkBox)
        result.checkBoxState = checkBox->isChecked();
    QSettings().setValue(kLastDirectoryKey, QFileInfo(result.path).absolutePath());
    return result;
}
