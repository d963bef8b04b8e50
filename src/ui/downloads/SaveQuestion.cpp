#include "ui/downloads/SaveQuestion.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QScopeGuard>
#include <QWidget>

namespace lorvex {

QString AskSavePath(QWidget* parent, const QString& suggested, const QList<QWidget*>& blocked) {
    // A window-modal dialog would block the whole main window, its close picture and the
    // window manager's close included; so the dialog is not modal in Qt's sense, and the
    // main window's content is disabled instead while it waits.
    QList<QPointer<QWidget>> disabled;
    for (QWidget* widget : blocked) {
        if (widget != nullptr && widget->isEnabled()) {
            widget->setEnabled(false);
            disabled << widget;
        }
    }
    const auto restore = qScopeGuard([&] {
        for (const QPointer<QWidget>& widget : disabled) {
            if (widget) widget->setEnabled(true);
        }
    });

    const QFileInfo offered(suggested);
    QFileDialog dialog(parent, QStringLiteral("保存文件"), offered.absolutePath());
    dialog.setObjectName(QStringLiteral("saveQuestion"));
    // Qt's own dialog: the desktop's could be modal to the whole application.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::NonModal);
    dialog.selectFile(offered.fileName());

    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    // Ends when the user answers, and when the application quits (QCoreApplication::exit
    // ends every running loop).
    loop.exec();
    if (dialog.result() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace lorvex
