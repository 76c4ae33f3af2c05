#pragma once

#include "analysis/Descent.h"
#include "board/Pattern.h"
#include "records/PackedPattern.h"

#include <QAbstractScrollArea>

#include <vector>

// One member's line of descent along first parents, oldest first, as a
// strip of small thumbnails: the operator that bred each from the one before
// between them ("m" mutation, "x" crossover, "=" copy) and its generation
// under each. Only the steps in view are drawn, so that a line of ten
// thousand generations costs what a short one does. A click on a step
// chooses that ancestor.
class LineageStripPane : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit LineageStripPane(QWidget* parent = nullptr);

    // The line of population 1 or 2's member, each step's pattern at the
    // same index of `patterns`; scrolled to its end, the member itself.
    void setLine(int population, std::vector<DescentStep> line, std::vector<PackedPattern> patterns,
                 PatternShape shape);
    // No line, `message` in its place.
    void setMessage(const QString& message);
    // Marks the step of `generation` when it is `member`'s, scrolled into
    // view; none otherwise.
    void setSelectedStep(int generation, int member);

    const std::vector<DescentStep>& line() const { return steps; }
    int population() const { return linePopulation; }
    QString message() const { return shownMessage; }
    // The thumbnail of step `step`, in the viewport's coordinates as
    // scrolled; empty when there is no such step.
    QRect thumbnailRect(int step) const;
    // Scrolls step `step` into view.
    void scrollToStep(int step);
    // What hovering over step `step` says: its generation and member, its
    // score where the record keeps it, and how it was bred.
    QString stepToolTip(int step) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Member `member` of `generation`, of population 1 or 2, chosen by a click.
    void ancestorChosen(int population, int generation, int member);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // The pixels a cell, a thumbnail and a step take.
    int cellSize() const;
    QSize thumbnailSize() const;
    int pitch() const;
    int contentHeight() const;
    int stepAt(QPoint position) const;
    void updateScrollRange();

    int linePopulation = 1;
    std::vector<DescentStep> steps;
    std::vector<PackedPattern> patterns;
    PatternShape shape;
    QString shownMessage;
    int selectedGeneration = 0;
    int selectedMember = -1;
};
