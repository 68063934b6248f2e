#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace orvane {

// A row of mutually exclusive segments: the selected one is filled with the tint colour. Title
// colours for the normal and selected states, border colour and width are settable. A tap on
// another segment, or Left / Right while it has the keyboard focus, selects it and emits
// valueChanged(). Assistive technology reads it as a tab list of its segments. Main thread only.
class SegmentedControl final : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList& segments = {}, QWidget* parent = nullptr);

    void setSegments(const QStringList& segments);
    int numberOfSegments() const { return static_cast<int>(m_segments.size()); }
    QString titleForSegment(int index) const;
    void setTitleForSegment(const QString& title, int index);

    // -1: none selected. Setting it programmatically does not emit valueChanged().
    int selectedSegmentIndex() const { return m_selected; }
    void setSelectedSegmentIndex(int index);

    void setTintColor(const QColor& color); // fill of the selected segment
    QColor tintColor() const;
    void setBorderColor(const QColor& color);
    QColor borderColor() const { return m_border; }
    void setBorderWidth(qreal width);
    qreal borderWidth() const { return m_borderWidth; }
    void setTitleColor(const QColor& normal, const QColor& selected);
    QColor normalTitleColor() const { return m_normalTitle; }
    QColor selectedTitleColor() const { return m_selectedTitle; }

    QRect segmentRect(int index) const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void valueChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int segmentAt(const QPoint& pos) const;

    QStringList m_segments;
    int m_selected = -1;
    int m_pressed = -1;
    QColor m_tint;
    QColor m_border;
    qreal m_borderWidth = 1;
    QColor m_normalTitle;
    QColor m_selectedTitle{Qt::white};
};

// Dots showing which of several pages is current; a tap left or right of the current dot moves
// one page and emits valueChanged().
class PageControl final : public QWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);

    void setNumberOfPages(int pages);
    int numberOfPages() const { return m_pages; }
    void setCurrentPage(int page);
    int currentPage() const { return m_current; }
    void setHidesForSinglePage(bool hides);
    void setIndicatorColors(const QColor& page, const QColor& current);

    QSize sizeHint() const override;

Q_SIGNALS:
    void valueChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRectF dotRect(int index) const;

    int m_pages = 0;
    int m_current = 0;
    bool m_hidesForSinglePage = false;
    QColor m_pageColor{200, 200, 204};
    QColor m_currentColor;
};

} // namespace orvane
