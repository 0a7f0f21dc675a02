#pragma once

#include "ZvWinButton.h"

#include <QLineEdit>

// The small button inside a TZvBtnEdit.
class TZvEditButton : public TZvWinButton
{
    Q_OBJECT
    Q_PROPERTY(TGlyphKind GlyphKind READ glyphKind WRITE setGlyphKind)

public:
    enum TGlyphKind
    {
        gkCustom,
        gkDefault
    };
    Q_ENUM(TGlyphKind)

    explicit TZvEditButton(QWidget* parent = nullptr);
    ~TZvEditButton() override;

    TGlyphKind glyphKind() const { return m_glyphKind; }
    // gkDefault loads the shared default picture into Glpyh; gkCustom leaves Glpyh as it is.
    void setGlyphKind(TGlyphKind kind);

    // The picture shared by every edit button, made on first demand (a small open folder);
    // released whenever an edit button is destroyed and made again on the next demand.
    static QImage defaultGlyph();
    static bool defaultGlyphLoaded();

private:
    TGlyphKind m_glyphKind = gkCustom;
};

// A one-line text box with a small owner-drawn button inside its right end; clicking the
// button raises OnBtnClick with the box as sender. The text is kept clear of the button.
class TZvBtnEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString About READ about WRITE setAbout)
    Q_PROPERTY(TZvEditButton* ZvWinButton READ ZvWinButton CONSTANT)
    Q_PROPERTY(int ButtonWidht READ buttonWidht WRITE setButtonWidht)
    Q_PROPERTY(bool AutoSelect READ autoSelect WRITE setAutoSelect)

public:
    explicit TZvBtnEdit(QWidget* parent = nullptr);
    ~TZvBtnEdit() override;

    QString about() const;
    void setAbout(const QString&) {}
    TZvEditButton* ZvWinButton() const { return m_button; }
    int buttonWidht() const { return m_buttonWidht; }
    // Values of 1 or less hide the button; the text still keeps clear of its width + 2.
    void setButtonWidht(int width);
    bool autoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }

    Q_INVOKABLE QString GetTanim() const;

public Q_SLOTS:
    void BtnClick();

Q_SIGNALS:
    void OnBtnClick(TZvBtnEdit* sender);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void UpdateEditRect();

    TZvEditButton* m_button = nullptr;
    int m_buttonWidht = 21;
    bool m_autoSelect = true;
    bool m_focusFromPress = false;
};
