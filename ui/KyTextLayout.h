#ifndef KY_TEXT_LAYOUT_H
#define KY_TEXT_LAYOUT_H

#include "core/KyColor.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "ui/KyLayout.h"
#include "ui/KyTextBase2.h"

// A layout that shows styled text given as a small XML text description
// (KyTextMarkup): its width comes from its requested size, its height
// follows the laid-out text, and the text is drawn unscaled, in whole
// pixels, from the layout's minimum corner. The layout's world colour is
// the colour of every character before the first "color" element.
//
// The description's walk starts at its first element and takes the
// top-level nodes from there on: character data before the first element
// is skipped and elements inside elements are ignored.
class KyTextLayout : public KyLayout {
public:
    KyTextLayout();
    ~KyTextLayout() override;

    // Replaces the text and styles with those of the description, then
    // updates the size. An empty description only clears them (the size
    // stays until the next update). A description that does not parse
    // changes nothing, with a log line; a text left without a font is not
    // drawn, with a log line.
    void setText(const KyString& description);
    // The line spacing added to the font's line height ("interline" and
    // "interLine" are the same property).
    void setInterline(f32 value);
    void setInterLine(f32 value) { setInterline(value); }
    // Clears the text and styles.
    void clear();

    // The colour, then the characters' default colour follows the world
    // colour.
    void setColor(const KyColor& color) override;
    bool onParentWorldColorChanged() override;
    bool draw() override;
    // Width from the requested size, height from the text.
    void updateSize() override;

    // The matrix the text is drawn with: the layout's origin in its
    // parent, its world rotation, then back by the anchor times the size,
    // so the text starts at the layout's minimum corner. The translation is
    // snapped to whole pixels, plus a half pixel on an axis where the main
    // window's size is odd (the camera's centre then falls between pixels).
    KyMatrix4x4 textMatrix();

    KyTextBase2 textBase;

private:
    static f32 snap(f32 value, f32 windowSize);
};

#endif
