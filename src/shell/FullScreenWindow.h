#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>

class QFrame;
class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QShortcut;
class QToolButton;

// The borderless window of the full-screen view. It hosts the views the controller lends it
// (the recipe page under everything, the sidebar and the browser at the edges), a black layer
// over the page that fades it in and dims it under the editor, the control bar at the bottom
// and the panel the editor opens in. It slides its parts; what moves where is the
// controller's decision.
class FullScreenWindow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double shade READ shade WRITE setShade)
public:
    static constexpr int kSlideMilliseconds = 220;
    static constexpr int kFadeMilliseconds = 150;
    // How dark the page is under the editor.
    static constexpr double kEditingShade = 0.7;

    explicit FullScreenWindow(QWidget* parent = nullptr);
    ~FullScreenWindow() override;

    QFrame* controlBar() const { return m_controlBar; }
    QFrame* editPanel() const { return m_editPanel; }
    QWidget* shader() const { return m_shader; }
    QToolButton* button(const QString& objectName) const;

    // Moves part to rect, animated or at once; a slide of the same part still running is
    // replaced.
    void slide(QWidget* part, const QRect& rect, bool animate);
    // Ends every running slide and fade where it was going (tests and pictures).
    void finishAnimations();
    // The black layer's opacity, 0 (page clear) to 1 (black).
    double shade() const;
    void setShade(double opacity);
    void fadeShade(double opacity, bool animate);
    // Keeps the parts in their order from the page up: page, shade, navigators, control bar,
    // editor panel.
    void stackParts(QWidget* page, const QList<QWidget*>& navigators);
    // Whether Escape leaves (off while the editor, which has its own Escape, is open).
    void setEscapeEnabled(bool enabled);

signals:
    void escapePressed();
    void previousRequested();
    void nextRequested();
    void editRequested();
    void printRequested();
    void emailRequested();
    void smallerTextRequested();
    void largerTextRequested();
    void exitRequested();
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControlBar();

    QWidget* m_shader;
    QGraphicsOpacityEffect* m_shaderOpacity;
    QFrame* m_controlBar;
    QFrame* m_editPanel;
    QShortcut* m_escape;
    QHash<QWidget*, QPointer<QPropertyAnimation>> m_slides;
    QPointer<QPropertyAnimation> m_fade;
};
