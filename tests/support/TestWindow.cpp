// A window of known look for the capture tests: a flat background colour and a column of text
// fields at fixed places. Prints "ready" and each field's frame in root-window pixels once it is
// on screen, then runs until it is killed or its stdin closes.
//
//   tarnix_test_window [--title T] [--color RRGGBB] [--frame X,Y,W,H] [--fields N] [--edges 1]
//
// With --edges the window may be resized and draws a 12-pixel band along each edge (top red,
// right magenta, bottom blue, left yellow), printing "painted W H" whenever it has painted a new
// size.

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

class EdgesWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        constexpr int band = 12;
        QPainter painter(this);
        const QRect r = rect();
        painter.fillRect(r, palette().color(QPalette::Window));
        painter.fillRect(QRect(0, 0, r.width(), band), QColor(255, 0, 0));
        painter.fillRect(QRect(0, r.height() - band, r.width(), band), QColor(0, 0, 255));
        painter.fillRect(QRect(0, band, band, r.height() - 2 * band), QColor(255, 255, 0));
        painter.fillRect(QRect(r.width() - band, band, band, r.height() - 2 * band), QColor(255, 0, 255));
        if (size() != painted_) {
            painted_ = size();
            std::printf("painted %d %d\n", painted_.width(), painted_.height());
            std::fflush(stdout);
        }
    }

private:
    QSize painted_;
};

} // namespace

// Qt takes "--geometry" for itself, hence "--frame".
int main(int argc, char** argv)
{
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    QString title = "Tarnix Test Window";
    QString color = "20c040";
    QRect geometry(100, 100, 400, 300);
    int fields = 3;
    bool edges = false;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--title")
            title = args[i + 1];
        else if (args[i] == "--color")
            color = args[i + 1];
        else if (args[i] == "--edges")
            edges = args[i + 1] == "1";
        else if (args[i] == "--fields")
            fields = args[i + 1].toInt();
        else if (args[i] == "--frame") {
            const QStringList p = args[i + 1].split(',');
            if (p.size() == 4)
                geometry = QRect(p[0].toInt(), p[1].toInt(), p[2].toInt(), p[3].toInt());
        }
    }
    std::unique_ptr<QWidget> owner = edges ? std::make_unique<EdgesWindow>() : std::make_unique<QWidget>();
    QWidget& window = *owner;
    window.setWindowTitle(title);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor("#" + color));
    window.setPalette(palette);
    window.setGeometry(geometry);
    if (!edges)
        window.setFixedSize(geometry.size());
    QList<QLineEdit*> edits;
    for (int i = 0; i < fields; ++i) {
        auto* edit = new QLineEdit(&window);
        edit->setGeometry(20, 20 + i * 50, 200 + i * 20, 30);
        edit->setAccessibleName(QString("field %1").arg(i + 1));
        edits.append(edit);
    }
    window.show();
    QTimer::singleShot(500, &window, [&] {
        std::printf("ready %lu\n", static_cast<unsigned long>(window.winId()));
        for (int i = 0; i < edits.size(); ++i) {
            const QPoint origin = edits[i]->mapToGlobal(QPoint(0, 0));
            std::printf("field %d %d %d %d %d\n", i + 1, origin.x(), origin.y(), edits[i]->width(),
                        edits[i]->height());
        }
        std::fflush(stdout);
    });
    // The test ends the window by closing our stdin.
    QSocketNotifier stdinWatch(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinWatch, &QSocketNotifier::activated, &app, [&] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
