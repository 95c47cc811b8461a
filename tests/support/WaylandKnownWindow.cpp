// A Wayland window of known look for the portal tests: #00c000 with a 200 × 200 #0000ff square
// at (100, 100), and a 4-pixel white bar along the bottom edge that grows ten times a second, so
// that the desktop has damage to send. Prints "ready" once it has been painted.

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class KnownWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x00, 0xc0, 0x00));
        painter.fillRect(100, 100, 200, 200, QColor(0x00, 0x00, 0xff));
        painter.fillRect(0, height() - 4, (step_++ % 100) * width() / 100, 4, Qt::white);
        if (!announced_) {
            announced_ = true;
            QTimer::singleShot(200, [] {
                std::printf("ready\n");
                std::fflush(stdout);
            });
        }
    }

private:
    int step_ = 0;
    bool announced_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    KnownWindow window;
    window.setWindowTitle(QStringLiteral("Tarnix known window"));
    window.resize(640, 480);
    window.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &window, [&] { window.update(); });
    timer.start(100);
    return app.exec();
}
