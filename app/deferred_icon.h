// An icon read from its file only when something first draws it or asks
// its sizes.
//
// Reading an image file through QIcon makes Qt find out its format, which
// loads every image format plugin installed (GIF, ICO, JPEG...) before the
// first window is shown. The window's built-in icon is only a fallback for
// when no icon theme provides one, and the offscreen platform never draws
// it, so it is read when the platform first needs it, or never.
#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QString>

namespace nubra {

class TDeferredIconEngine final : public QIconEngine {
public:
    explicit TDeferredIconEngine(QString fileName) : fileName_(std::move(fileName)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override { return new TDeferredIconEngine(fileName_); }
    QString key() const override { return QStringLiteral("nubra.deferred"); }
    // Asked before any drawing (QIcon::isNull): answered without reading.
    // The file is one of the program's own resources, so it is there.
    bool isNull() override { return fileName_.isEmpty(); }

    // True once the file has been read.
    bool Loaded() const { return loaded_; }

private:
    const QIcon& icon();

    QString fileName_;
    QIcon icon_;
    bool loaded_ = false;
};

} // namespace nubra
