#include "QtAlerts.h"

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPushButton>

AlertResponse QtAlerts::runModal(const AlertRequest& request) {
    QStringList titles = request.buttonTitles;
    if (titles.isEmpty())
        titles.append(QCoreApplication::translate("QtAlerts", "OK"));

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setWindowModality(Qt::ApplicationModal);
    // Texts may carry names from files and the network: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    if (auto* message = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = message->font();
        bold.setBold(true);
        message->setFont(bold);
    }
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    const QIcon appIcon = QApplication::windowIcon();
    if (!appIcon.isNull())
        box.setIconPixmap(appIcon.pixmap(64, 64));
    else
        box.setIcon(QMessageBox::Information);

    // Buttons of one role keep the order they were added in; adding them from the last to
    // the first puts the default button at the trailing end.
    QList<QPushButton*> buttons(titles.size(), nullptr);
    for (qsizetype i = titles.size() - 1; i >= 0; --i)
        buttons[i] = box.addButton(titles.at(i), QMessageBox::ActionRole);
    box.setDefaultButton(buttons.first());
    const QString cancelTitle = QCoreApplication::translate("QtAlerts", "Cancel");
    for (qsizetype i = 0; i < titles.size(); ++i) {
        if (titles.at(i) == cancelTitle || titles.at(i) == QLatin1String("Cancel")) {
            box.setEscapeButton(buttons[i]);
            break;
        }
    }
    if (titles.size() == 1)
        box.setEscapeButton(buttons.first());

    QCheckBox* checkBox = nullptr;
    if (!request.checkBoxTitle.isEmpty()) {
        checkBox = new QCheckBox(request.checkBoxTitle, &box);
        checkBox->setChecked(request.checkBoxState);
        box.setCheckBox(checkBox);
    }

    box.exec();

    AlertResponse response;
    response.checkBoxState = checkBox ? checkBox->isChecked() : request.checkBoxState;
    // Without an escape button the box cannot be dismissed otherwise, so a button was
    // pressed; the default answer covers anything unexpected.
    const qsizetype pressed = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    response.button = pressed >= 0 ? int(pressed) : 0;
    return response;
}
