#include "ui/AppAlert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace tarnix::AppAlert {

namespace {

Presenter& currentPresenter()
{
    static Presenter presenter;
    return presenter;
}

} // namespace

void show(const QString& title, const QString& message)
{
    ask(title, message, {QCoreApplication::translate("tarnix::AppAlert", "OK")});
}

int ask(const QString& title, const QString& message, const QStringList& buttons)
{
    const Request request{title, message, buttons.isEmpty() ? QStringList{QCoreApplication::translate("tarnix::AppAlert", "OK")} : buttons};
    if (const Presenter& presenter = currentPresenter())
        return presenter(request);
    return presentInDialog(request);
}

Presenter setPresenter(Presenter presenter)
{
    Presenter previous = std::move(currentPresenter());
    currentPresenter() = std::move(presenter);
    return previous;
}

int presentInDialog(const Request& request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Tarnix"));
    box.setTextFormat(Qt::PlainText);
    box.setText(request.title);
    box.setInformativeText(request.message);
    // Messages may quote what came from outside (a file, the network): never read them as markup.
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> added;
    for (const QString& text : request.buttons)
        added.append(box.addButton(text, added.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    box.setDefaultButton(qobject_cast<QPushButton*>(added.value(0)));
    box.exec();
    return int(added.indexOf(box.clickedButton()));
}

} // namespace tarnix::AppAlert
