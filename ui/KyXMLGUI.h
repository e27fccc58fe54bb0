#ifndef KY_XMLGUI_H
#define KY_XMLGUI_H

#include "core/KyIntrusivePtr.h"
#include "core/KyList.h"
#include "core/KyMap.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "platform/KyImg.h"

#include <string>

class KyButton;
class KyCheckBox;
class KyMovement2;
class KyMovement3;
class KyMusic;
class KySFX;
class KySoundPlayer;
class KySprite;
class KySpriteButton;
class KySpriteButton2;
class KyText2;
class KyPath;
class KyVideoPlayer;
class KyXmlDocument;
class TiXmlElement;
class TiXmlNode;

// One screen of the 2D interface read from an XML interface file: the
// sprites, buttons, image buttons, check boxes, rich texts, video and sound
// players, movements, musics, sound effects, images and named text values
// the file describes, each kept under its dotted name.
//
// The file is walked depth-first. An object element builds one object,
// registers it and becomes the target of the property elements (position,
// size, scale, rotate, opacity, margin, rect) that follow it; any element of
// another name is a transparent container whose name still takes part in
// the names of its descendants. Element and attribute names are compared
// in lower case, except the "name" attribute of most elements.
//
// Everything built belongs to the interface until unload, which hides and
// disables the widgets and hands every object to the deferred-deletion
// queue, so an unload from inside a button's own click handler is safe.
class KyXMLGUI : public Ky3DObject {
public:
    // Kind of the object element handled last: chooses the target of the
    // property elements.
    enum Kind : u32 {
        KindNone = 0,
        KindSprite = 1,
        KindButton = 2,
        KindSpriteButton = 3,
        KindSpriteButton2 = 4,
        KindCheckBox = 5,
        KindMusic = 6,
        KindSFX = 7,
        KindValue = 8,
        KindImage = 9,
        KindVideoPlayer = 10,
        KindMovement2 = 11,
        KindMovement3 = 12,
        KindSoundPlayer = 13,
        KindText = 14
    };

    KyXMLGUI();
    ~KyXMLGUI() override;

    // Empties the interface, then reads the file at path (tried also in the
    // current language's folder and in "en" beside it) and builds what it
    // describes. False, with a log line, when the file cannot be read or
    // parsed, nests or carries attributes beyond KyXmlDocument's limits, or
    // gives a "name" longer than 256 bytes or a dotted name longer than 1024;
    // the interface is then empty and not loaded.
    bool Load(const KyString& path);
    // As Load, from a text already read in place of the file at path (no
    // file is read: path names the text in the log and gives its folder).
    bool loadText(const std::string& text, const KyString& path);
    // Hides, disables and queues for deletion everything built; the named
    // values are deleted at once; every registry is emptied.
    void unload();
    // unload, and the interface counts as not loaded.
    void reset();

    // The first object registered under exactly this name; null on a miss.
    KyString* value(const KyString& name);
    KySpriteButton* spriteButton(const KyString& name);
    KyButton* button(const KyString& name);
    KySprite* sprite(const KyString& name);

    bool isLoaded() const { return loaded; }
    // Folder of the file last loaded, with its trailing separator.
    const KyString& loadedFolder() const { return folder; }
    u32 lastKindHandled() const { return lastKind; }

    // The registries, read-only, in insertion order.
    const KyList<KyString>& groupNames() const { return groups; }
    const KyMap<KyString, KySprite*>& spriteMap() const { return sprites; }
    const KyMap<KyString, KyButton*>& buttonMap() const { return buttons; }
    const KyMap<KyString, KySpriteButton*>& spriteButtonMap() const { return spriteButtons; }
    const KyMap<KyString, KySpriteButton2*>& spriteButton2Map() const { return spriteButtons2; }
    const KyMap<KyString, KyCheckBox*>& checkBoxMap() const { return checkBoxes; }
    const KyMap<KyString, KyMusic*>& musicMap() const { return musics; }
    const KyMap<KyString, KySFX*>& sfxMap() const { return sfxs; }
    const KyMap<KyString, KyString*>& valueMap() const { return values; }
    const KyMap<KyString, KyIntrusivePtr<KyImg>>& imageMap() const { return images; }
    const KyMap<KyString, KyMovement2*>& movement2Map() const { return movements2; }
    const KyMap<KyString, KyMovement3*>& movement3Map() const { return movements3; }
    const KyMap<KyString, KyVideoPlayer*>& videoPlayerMap() const { return videoPlayers; }
    const KyMap<KyString, KySoundPlayer*>& soundPlayerMap() const { return soundPlayers; }
    const KyMap<KyString, KyText2*>& textMap() const { return texts; }

    // Three components read from the attributes x, y and z (any letter
    // case), each 0 when absent.
    static KyVector3f32 readVector3(const TiXmlElement* element);
    // Two integers read from the attributes x and y, each 0 when absent.
    static void readIntPair(const TiXmlElement* element, s32& x, s32& y);
    // The decimal of the element's first attribute when it is named
    // "value" (any letter case); 0 otherwise.
    static f32 readFloatValue(const TiXmlElement* element);
    // The tag an element is dispatched on (lower-cased), and the full name
    // it is registered under and passes to its children: false when a name
    // is longer than the bounds, which fails the load.
    static KyString tagOf(const TiXmlElement* element);
    static bool fullName(const TiXmlElement* element, const KyString& tag, const KyString& parentName,
                         KyString& name);

private:
    // Builds what a document read or parsed describes; read tells whether
    // that succeeded (when not, the failure is logged under file's name).
    bool build(KyXmlDocument& document, bool read, const KyPath& file);
    // The recursive walk (the document's nesting is bounded before it is
    // parsed): handles node, then walks its children. False, with
    // m_longName set, at an element whose name is longer than the bounds.
    bool loadNode(TiXmlNode* node, const KyString& parentName);
    // Handles one element of lower-cased tag whose full name is name.
    // Returns the node whose children are walked next, or null to skip them.
    TiXmlNode* loadElement(TiXmlElement* element, const KyString& tag, const KyString& name);

    void loadButton(TiXmlElement* element, const KyString& name);
    void loadMusic(TiXmlElement* element, const KyString& name);
    void loadSFX(TiXmlElement* element, const KyString& name);
    void loadValue(TiXmlElement* element, const KyString& name);
    void loadImage(TiXmlElement* element, const KyString& name);
    void loadVideoPlayer(TiXmlElement* element, const KyString& name);
    void loadCheckBox(TiXmlElement* element, const KyString& name);
    // Appends the group's own "name" value to the group names.
    void loadGroup(TiXmlElement* element);
    void loadSprite(TiXmlElement* element, const KyString& name);
    void loadSpriteButton(TiXmlElement* element, const KyString& name);
    void loadSpriteButton2(TiXmlElement* element, const KyString& name);
    void loadMovement2(TiXmlElement* element, const KyString& name);
    void loadMovement3(TiXmlElement* element, const KyString& name);
    void loadSoundPlayer(TiXmlElement* element, const KyString& name);
    void loadText(TiXmlElement* element, const KyString& name);
    // The node itself when its content is for this platform, else null.
    TiXmlNode* filterPlatform(TiXmlElement* element, TiXmlNode* node);

    // The property elements, applied to the object built last.
    void applyProperty(const KyString& tag, TiXmlElement* element);
    void loadVideoPlayerButton(TiXmlElement* element);
    // The object registered last under lastKind, as a 3D object; null for
    // kinds that are not widgets or before anything was registered.
    Ky3DObject* lastWidget();
    // Detaches a widget built by the interface and queues it for deletion.
    void queueWidget(Ky3DObject* widget);

    u32 lastKind;
    KyList<KyString> groups;
    KyMap<KyString, KySprite*> sprites;
    KyMap<KyString, KyButton*> buttons;
    KyMap<KyString, KySpriteButton*> spriteButtons;
    KyMap<KyString, KySpriteButton2*> spriteButtons2;
    KyMap<KyString, KyCheckBox*> checkBoxes;
    KyMap<KyString, KyMusic*> musics;
    KyMap<KyString, KySFX*> sfxs;
    KyMap<KyString, KyString*> values;
    KyMap<KyString, KyIntrusivePtr<KyImg>> images;
    KyMap<KyString, KyMovement2*> movements2;
    KyMap<KyString, KyMovement3*> movements3;
    KyMap<KyString, KyVideoPlayer*> videoPlayers;
    KyMap<KyString, KySoundPlayer*> soundPlayers;
    KyMap<KyString, KyText2*> texts;
    KyString folder;
    bool loaded;
    // The element whose name stopped the last walk.
    const TiXmlElement* m_longName;
};

#endif
