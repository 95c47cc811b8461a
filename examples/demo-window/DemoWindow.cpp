// A small application to record in the headless demo: a sign-up form with text fields and
// buttons beside a live chart that keeps moving, so the recording has typing, clicks, focus
// changes and motion. Prints "ready" once it is on screen.
//
//   tarnix-demo-window [--geometry X,Y,W,H]
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

#include "ui/StudioTheme.h"

namespace {

// A chart that scrolls: two smooth series and a sweeping highlight, redrawn 60 times a second.
class LiveChart : public QWidget {
public:
    LiveChart()
    {
        timer_.setInterval(16);
        connect(&timer_, &QTimer::timeout, this, [this] {
            phase_ += 0.016;
            update();
        });
        timer_.start();
        setMinimumSize(420, 300);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(16, 16, -16, -16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 30, 38));
        p.drawRoundedRect(area, 14, 14);
        p.setPen(QPen(QColor(255, 255, 255, 18), 1));
        for (int i = 1; i < 5; ++i)
            p.drawLine(QPointF(area.left() + 12, area.top() + area.height() * i / 5),
                       QPointF(area.right() - 12, area.top() + area.height() * i / 5));
        auto series = [&](double speed, double scale, const QColor& color) {
            QPainterPath path;
            for (int x = 0; x <= 120; ++x) {
                const double t = x / 120.0;
                const double y = 0.5 + scale * (std::sin(t * 9 + phase_ * speed) * 0.6 + std::sin(t * 23 - phase_ * 2) * 0.2);
                const QPointF point(area.left() + 12 + t * (area.width() - 24), area.top() + area.height() * y);
                x == 0 ? path.moveTo(point) : path.lineTo(point);
            }
            p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        };
        series(1.7, 0.28, QColor(128, 128, 252));
        series(2.6, 0.18, QColor(253, 71, 91));
        const double sweep = std::fmod(phase_ * 0.25, 1.0);
        p.fillRect(QRectF(area.left() + sweep * area.width(), area.top(), 3, area.height()), QColor(255, 255, 255, 60));
        p.setPen(QColor(255, 255, 255, 200));
        p.setFont(tarnix::StudioTheme::font(15, QFont::DemiBold));
        p.drawText(area.adjusted(18, 14, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Live signups  %1").arg(1200 + int(phase_ * 7)));
    }

private:
    QTimer timer_;
    double phase_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tarnix::StudioTheme::applyTo(app);
    QRect geometry(320, 180, 1280, 720);
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--geometry")); at >= 0 && at + 1 < args.size()) {
        const QStringList v = args[at + 1].split(QLatin1Char(','));
        if (v.size() == 4)
            geometry = QRect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Tarnix demo — Team sign-up"));
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(36, 32, 36, 32);
    row->setSpacing(28);

    auto* form = new QVBoxLayout();
    auto* title = new QLabel(QStringLiteral("Join the beta"));
    title->setFont(tarnix::StudioTheme::font(28, QFont::Bold));
    form->addWidget(title);
    auto* subtitle = new QLabel(QStringLiteral("Tell us a little about your team."));
    subtitle->setFont(tarnix::StudioTheme::font(15));
    form->addWidget(subtitle);
    form->addSpacing(12);
    auto* fields = new QFormLayout();
    fields->setVerticalSpacing(14);
    for (const char* name : {"Name", "Email", "Company"}) {
        auto* field = new QLineEdit();
        field->setObjectName(QString::fromUtf8(name));
        field->setPlaceholderText(QString::fromUtf8(name));
        field->setMinimumHeight(38);
        field->setAccessibleName(QString::fromUtf8(name));
        fields->addRow(QString::fromUtf8(name), field);
    }
    auto* notes = new QTextEdit();
    notes->setAccessibleName(QStringLiteral("Notes"));
    notes->setTabChangesFocus(true);
    notes->setMinimumHeight(110);
    fields->addRow(QStringLiteral("Notes"), notes);
    form->addLayout(fields);
    auto* buttons = new QHBoxLayout();
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* submit = new QPushButton(QStringLiteral("Request access"));
    submit->setDefault(true);
    for (QPushButton* b : {cancel, submit})
        b->setMinimumHeight(38);
    auto* status = new QLabel();
    QObject::connect(submit, &QPushButton::clicked, status, [status] { status->setText(QStringLiteral("Thanks! We'll be in touch.")); });
    buttons->addWidget(status, 1);
    buttons->addWidget(cancel);
    buttons->addWidget(submit);
    form->addStretch(1);
    form->addLayout(buttons);
    row->addLayout(form, 5);
    row->addWidget(new LiveChart(), 6);

    window.setGeometry(geometry);
    window.show();
    QTimer::singleShot(300, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
