#pragma once

#include "ImageList.h"
#include "PicturePosition.h"

#include <QAction>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QPainter;

// The owner-drawn push button of every window: a flat face with a raised edge, a caption with
// an optional picture, its own press/release model (it makes its clicks itself), drop-down
// and right-click menus, and a modal result handed to its window on every click.
class TZvWinButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor RaiseCol READ raiseCol WRITE setRaiseCol)
    Q_PROPERTY(QColor OverCol READ overCol WRITE setOverCol)
    Q_PROPERTY(QPixmap Glpyh READ glpyh WRITE setGlpyh)
    Q_PROPERTY(QColor GlpyhTransparentColor READ glpyhTransparentColor WRITE setGlpyhTransparentColor)
    Q_PROPERTY(PicturePosition::TPicPos GlphyAlign READ glphyAlign WRITE setGlphyAlign)
    Q_PROPERTY(TImageList* Images READ images WRITE setImages)
    Q_PROPERTY(int ImageIndex READ imageIndex WRITE setImageIndex)
    Q_PROPERTY(QMenu* DropDownMenu READ dropDownMenu WRITE setDropDownMenu)
    Q_PROPERTY(QMenu* PopupMenu READ popupMenu WRITE setPopupMenu)
    Q_PROPERTY(int ModalResult READ modalResult WRITE setModalResult)
    Q_PROPERTY(QAction* Action READ action WRITE setAction)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor FontColor READ fontColor WRITE setFontColor)
    Q_PROPERTY(QFont GrayedFont READ grayedFont WRITE setGrayedFont)
    Q_PROPERTY(QColor GrayedFontColor READ grayedFontColor WRITE setGrayedFontColor)
    Q_PROPERTY(bool ShowHint READ showHint WRITE setShowHint)
    Q_PROPERTY(bool TabStop READ tabStop WRITE setTabStop)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(QString About READ about WRITE setAbout)
    Q_PROPERTY(bool ShowCaption READ showCaption WRITE setShowCaption)

public:
    using TPicPos = PicturePosition::TPicPos;
    using enum PicturePosition::TPicPos;

    explicit TZvWinButton(QWidget* parent = nullptr);
    ~TZvWinButton() override;

    QColor color() const; // the face colour actually used (the parent's when ParentColor)
    void setColor(const QColor& color);
    QColor raiseCol() const { return m_raiseCol; }
    void setRaiseCol(const QColor& color);
    QColor overCol() const { return m_overCol; }
    void setOverCol(const QColor& color); // takes effect at the next paint
    QPixmap glpyh() const { return QPixmap::fromImage(m_glpyh); }
    const QImage& glpyhImage() const { return m_glpyh; }
    void setGlpyh(const QPixmap& picture);
    void setGlpyhImage(const QImage& picture);
    // The colour of the picture shown as the face; invalid means the picture's lower-left pixel.
    QColor glpyhTransparentColor() const { return m_glpyhTransparent; }
    void setGlpyhTransparentColor(const QColor& color);
    TPicPos glphyAlign() const { return m_glphyAlign; }
    void setGlphyAlign(TPicPos align);
    TImageList* images() const { return m_images; }
    void setImages(TImageList* images);
    int imageIndex() const { return m_imageIndex; }
    void setImageIndex(int index);
    QMenu* dropDownMenu() const { return m_dropDownMenu; }
    void setDropDownMenu(QMenu* menu) { m_dropDownMenu = menu; }
    QMenu* popupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    int modalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }
    QAction* action() const { return m_action; }
    void setAction(QAction* action) { m_action = action; }
    QString text() const { return m_text; }
    void setText(const QString& text);
    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor& color);
    QFont grayedFont() const { return m_grayedFont; }
    // Only the colour of the grey font is ever drawn; assigning the button's own font() is ignored.
    void setGrayedFont(const QFont& font);
    QColor grayedFontColor() const { return m_grayedFontColor; }
    void setGrayedFontColor(const QColor& color);
    bool showHint() const { return m_showHint; }
    void setShowHint(bool show) { m_showHint = show; }
    bool tabStop() const { return m_tabStop; }
    void setTabStop(bool tabStop);
    bool parentColor() const { return m_parentColor; }
    void setParentColor(bool parentColor);
    QString about() const;
    void setAbout(const QString&) {}
    bool showCaption() const { return m_showCaption; }
    void setShowCaption(bool show);

    Q_INVOKABLE QString GetTanim() const;

    // Interaction state, as the face shows it.
    bool isDown() const { return m_down; }
    bool isMouseHeld() const { return m_mouseHeld; }
    bool focusSeen() const { return m_focusSeen; }
    // The picture as last drawn (transparent colour already replaced by the face colour).
    const QImage& workImage() const { return m_workImage; }

    // Draws the whole face as the paint does; with `hoverCaption` the caption is then drawn
    // over in OverCol, as when the pointer has just entered.
    void paintTo(QPainter& painter, bool hoverCaption = false);

    QSize sizeHint() const override;

    // The settings every window gives its buttons: the window's colour as face, a white raised
    // edge, black bold Arial of the given pixel height, the caption turning blue when hovered,
    // focused or pressed, the picture left of the caption, hints on. The constructor's own
    // defaults (blue face, white caption, yellow hover) are what a button left alone shows.
    void applyFormSettings(int fontPixelHeight = 13);
    // The same for every button below `window`, keeping fonts whose pixel height was already
    // chosen for a particular button.
    static void applyFormSettingsTo(QWidget* window, int fontPixelHeight = 13);

public Q_SLOTS:
    // Run inside the guard of the event that calls them; a signal reaches them through connectGuarded.
    void Click();
    void ShowDropDownMenu();
    void ShowPopupMenuAt(int x, int y);
    void ImagesChanged();

Q_SIGNALS:
    void clicked();
    void OnMouseDown(TZvWinButton* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void OnMouseUp(TZvWinButton* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void OnMouseMove(TZvWinButton* sender, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    bool canFocus() const;
    void press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void endPress();
    void pointerEntered();
    void pointerLeft();
    void focusChanged(QWidget* now);
    void showMenuAt(QMenu* menu, QPoint clientPoint);
    void drawFace(QPainter& p, int a, const QColor& captionColor);
    void drawHoverCaption(QPainter& p);
    void prepareWorkImage();
    bool showsPicture() const;
    QSize captionSize() const;

    QColor m_color{0, 128, 255};
    QColor m_raiseCol{Qt::white};
    QColor m_overCol{255, 255, 0};
    QImage m_glpyh;
    QColor m_glpyhTransparent;
    TPicPos m_glphyAlign = poLeft;
    QPointer<TImageList> m_images;
    int m_imageIndex = -1;
    QPointer<QMenu> m_dropDownMenu;
    QPointer<QMenu> m_popupMenu;
    QPointer<QAction> m_action;
    int m_modalResult = 0;
    QString m_text;
    QColor m_fontColor{Qt::white};
    QFont m_grayedFont;
    QColor m_grayedFontColor;
    bool m_showHint = true;
    bool m_tabStop = true;
    bool m_parentColor = false;
    bool m_showCaption = true;

    bool m_down = false;
    bool m_mouseHeld = false;
    bool m_focusSeen = false;
    bool m_pointerInside = false;
    bool m_hoverCaptionOnce = false;
    bool m_menuOpen = false;
    Qt::MouseButtons m_buttonsPressedHere;
    QImage m_workImage;
    QMetaObject::Connection m_focusConnection;
};

using TPicPos = TZvWinButton::TPicPos;
