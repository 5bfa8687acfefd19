#include "deferred_icon.h"

namespace nubra {

const QIcon& TDeferredIconEngine::icon() {
    if (!loaded_) {
        icon_ = QIcon(fileName_);
        loaded_ = true;
    }
    return icon_;
}

void TDeferredIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize TDeferredIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return icon().actualSize(size, mode, state);
}

QPixmap TDeferredIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return icon().pixmap(size, mode, state);
}

QPixmap TDeferredIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) {
    return icon().pixmap(size, scale, mode, state);
}

QList<QSize> TDeferredIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    return icon().availableSizes(mode, state);
}

} // namespace nubra
