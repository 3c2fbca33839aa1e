#include "Anchors.h"

#include <QEvent>
#include <QWidget>

namespace {

// Watches a control's parent and moves the control along with it.
class TAnchorFollower : public QObject {
public:
    TAnchorFollower(QWidget *control, const QRect &design, int anchors, const QSize &parentDesign)
        : QObject(control), m_control(control), m_design(design), m_anchors(anchors),
          m_parentDesign(parentDesign) {
        control->parentWidget()->installEventFilter(this);
        Apply();
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_control->parentWidget() && event->type() == QEvent::Resize)
            Apply();
        return false;
    }

private:
    void Apply() {
        const QSize now = m_control->parentWidget()->size();
        // Before the parent has been laid out its size means nothing yet.
        if (now.isEmpty() || !m_control->parentWidget()->testAttribute(Qt::WA_Resized))
            m_control->setGeometry(m_design);
        else
            m_control->setGeometry(AnchoredRect(m_design, m_anchors, m_parentDesign, now));
    }

    QWidget *m_control;
    QRect m_design;
    int m_anchors;
    QSize m_parentDesign;
};

void Follow(int start, int length, bool nearEdge, bool farEdge, int designParent, int parentNow,
            int &outStart, int &outLength) {
    const int farGap = designParent - (start + length);
    outStart = start;
    outLength = length;
    if (nearEdge && farEdge)
        outLength = qMax(0, parentNow - farGap - start);
    else if (farEdge)
        outStart = parentNow - farGap - length;
    else if (!nearEdge) // neither: keep the centre at the same proportion
        outStart = (start + length / 2) * parentNow / qMax(1, designParent) - length / 2;
}

} // namespace

QRect AnchoredRect(const QRect &design, int anchors, const QSize &parentDesign,
                   const QSize &parentNow) {
    int x, w, y, h;
    Follow(design.x(), design.width(), anchors & akLeft, anchors & akRight, parentDesign.width(),
           parentNow.width(), x, w);
    Follow(design.y(), design.height(), anchors & akTop, anchors & akBottom, parentDesign.height(),
           parentNow.height(), y, h);
    return QRect(x, y, w, h);
}

void PlaceAnchored(QWidget *control, const QRect &design, int anchors, const QSize &parentDesign) {
    new TAnchorFollower(control, design, anchors, parentDesign);
}
