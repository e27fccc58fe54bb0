#include "ui/KyXMLGUI.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "platform/KyScreen.h"
#include "ui/KyButton.h"
#include "ui/KyCheckBox.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyMovement2.h"
#include "ui/KyMovement3.h"
#include "ui/KySoundPlayer.h"
#include "ui/KySprite.h"
#include "ui/KySpriteButton.h"
#include "ui/KySpriteButton2.h"
#include "ui/KyText2.h"
#include "ui/KyVideoPlayer.h"

#include <tinyxml.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

// The ASCII letters A-Z lowered; every other byte kept.
KyString lowered(const char* text)
{
    KyString result(text ? text : "");
    result.makeLower();
    return result;
}

bool nameIs(const TiXmlAttribute* attribute, const char* lowerName)
{
    return lowered(attribute->Name()) == lowerName;
}

// atof narrowed to 32 bits; a value beyond the float range becomes an
// infinity instead of an undefined conversion.
f32 decimalValue(const char* text)
{
    double value = std::atof(text ? text : "");
    if (value > FLT_MAX)
        return std::numeric_limits<f32>::infinity();
    if (value < -FLT_MAX)
        return -std::numeric_limits<f32>::infinity();
    return static_cast<f32>(value);
}

// atoi, with values beyond the 32-bit range held at its ends.
s32 integerValue(const char* text)
{
    long value = std::strtol(text ? text : "", nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<s32>(value);
}

// The flag form of the interface files: leading decimal digits, true above 0.
bool flagValue(const char* text)
{
    return integerValue(text) > 0;
}

// Longest "name" attribute, and longest dotted name, an interface file may
// give. Every level copies its parent's name and registers it, so without a
// bound a deep nest of long names takes memory in the square of the file.
const size_t kMaxNamePart = 256;
const size_t kMaxName = 1024;

// Appends one dotted part: "a" + "b" gives "a.b"; an empty name takes the
// part as it is. False, leaving name as it was, when the part or the result
// would be longer than the bounds.
bool appendNamePart(KyString& name, const char* part)
{
    if (!part)
        part = "";
    const size_t length = std::strlen(part);
    const size_t dot = name.isEmpty() ? 0 : 1;
    if (length > kMaxNamePart || name.length() + dot + length > kMaxName)
        return false;
    if (dot)
        name += ".";
    name += part;
    return true;
}

// Whether the element's loader names it from every "name" attribute, in any
// letter case, each one appending a dotted part to the parent's name (the
// others take only the attribute spelled "name").
bool namedByAllNameAttributes(const KyString& tag)
{
    return tag == "button" || tag == "music" || tag == "sfx" || tag == "value" || tag == "img" ||
           tag == "kyvideoplayer" || tag == "group";
}

template <class V>
V lastValue(const KyMap<KyString, V>& map)
{
    if (map.isEmpty())
        return V();
    return map.entries().tailNode()->prev->value.value;
}

template <class V>
const KyString* lastKey(const KyMap<KyString, V>& map)
{
    if (map.isEmpty())
        return nullptr;
    return &map.entries().tailNode()->prev->value.key;
}

} // namespace

KyString KyXMLGUI::tagOf(const TiXmlElement* element)
{
    return lowered(element->Value());
}

bool KyXMLGUI::fullName(const TiXmlElement* element, const KyString& tag, const KyString& parentName,
                        KyString& name)
{
    name = parentName;
    if (namedByAllNameAttributes(tag)) {
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            if (nameIs(a, "name") && !appendNamePart(name, a->Value()))
                return false;
        }
        return true;
    }
    const char* own = element->Attribute("name");
    // Without the attribute a check box keeps its parent's name; the other
    // elements append an empty part.
    if (tag == "check_box" && !own)
        return true;
    return appendNamePart(name, own);
}

KyXMLGUI::KyXMLGUI()
    : lastKind(KindNone)
    , loaded(false)
    , m_longName(nullptr)
{
}

KyXMLGUI::~KyXMLGUI()
{
    unload();
}

bool KyXMLGUI::Load(const KyString& path)
{
    unload();

    KyPath file(path);
    KyCore* core = KySingleton<KyCore>::instance();
    if (!(core && core->recursiveSearch) && !KyFile::exists(file))
        KyResourceManager::findLanguageFile(path, &file);

    KyXmlDocument document;
    const bool read = document.loadFile(file);
    return build(document, read, file);
}

bool KyXMLGUI::loadText(const std::string& text, const KyString& path)
{
    unload();
    KyXmlDocument document;
    const bool read = document.parse(text.c_str());
    return build(document, read, KyPath(path));
}

bool KyXMLGUI::build(KyXmlDocument& document, bool read, const KyPath& file)
{
    if (!read) {
        // Rows and columns already count from 1.
        logPrint("[KyXMLGUI::Load] file :%s error : %s ligne : %d colonne : %d\n", file.c_str(),
                 document.errorText(), document.errorRow(), document.errorColumn());
        loaded = false;
        return false;
    }

    lastKind = KindNone;
    folder = file.directory();
    m_longName = nullptr;
    if (!loadNode(&document, KyString())) {
        logPrint("[KyXMLGUI::Load] file :%s error : %s ligne : %d colonne : %d\n", file.c_str(), "Name too long.",
                 m_longName->Row(), m_longName->Column());
        unload();
        loaded = false;
        return false;
    }
    loaded = true;
    return true;
}

void KyXMLGUI::reset()
{
    unload();
    loaded = false;
}

KyString* KyXMLGUI::value(const KyString& name)
{
    return values.get(name);
}

KySpriteButton* KyXMLGUI::spriteButton(const KyString& name)
{
    return spriteButtons.get(name);
}

KyButton* KyXMLGUI::button(const KyString& name)
{
    return buttons.get(name);
}

KySprite* KyXMLGUI::sprite(const KyString& name)
{
    return sprites.get(name);
}

KyVector3f32 KyXMLGUI::readVector3(const TiXmlElement* element)
{
    KyVector3f32 v(0.0f, 0.0f, 0.0f);
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "x")
            v.x = decimalValue(a->Value());
        else if (attribute == "y")
            v.y = decimalValue(a->Value());
        else if (attribute == "z")
            v.z = decimalValue(a->Value());
    }
    return v;
}

void KyXMLGUI::readIntPair(const TiXmlElement* element, s32& x, s32& y)
{
    x = 0;
    y = 0;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "x")
            x = integerValue(a->Value());
        else if (attribute == "y")
            y = integerValue(a->Value());
    }
}

f32 KyXMLGUI::readFloatValue(const TiXmlElement* element)
{
    const TiXmlAttribute* first = element->FirstAttribute();
    if (first && nameIs(first, "value"))
        return decimalValue(first->Value());
    return 0.0f;
}

bool KyXMLGUI::loadNode(TiXmlNode* node, const KyString& parentName)
{
    if (!node)
        return true;

    // Text, comments, declarations and the document itself pass the empty
    // name on.
    KyString name;
    TiXmlNode* walked = node;
    if (TiXmlElement* element = node->ToElement()) {
        const KyString tag = tagOf(element);
        if (!fullName(element, tag, parentName, name)) {
            m_longName = element;
            return false;
        }
        walked = loadElement(element, tag, name);
    }
    if (!walked)
        return true;
    for (TiXmlNode* child = walked->FirstChild(); child; child = child->NextSibling()) {
        if (!loadNode(child, name))
            return false;
    }
    return true;
}

TiXmlNode* KyXMLGUI::loadElement(TiXmlElement* element, const KyString& tag, const KyString& name)
{
    if (tag == "platform")
        return filterPlatform(element, element);
    if (tag == "group")
        loadGroup(element);
    else if (tag == "sprite")
        loadSprite(element, name);
    else if (tag == "button")
        loadButton(element, name);
    else if (tag == "sprite_button")
        loadSpriteButton(element, name);
    else if (tag == "sprite_button2")
        loadSpriteButton2(element, name);
    else if (tag == "check_box")
        loadCheckBox(element, name);
    else if (tag == "music")
        loadMusic(element, name);
    else if (tag == "sfx")
        loadSFX(element, name);
    else if (tag == "value")
        loadValue(element, name);
    else if (tag == "img")
        loadImage(element, name);
    else if (tag == "kyvideoplayer")
        loadVideoPlayer(element, name);
    else if (tag == "movement2")
        loadMovement2(element, name);
    else if (tag == "movement3")
        loadMovement3(element, name);
    else if (tag == "kysoundplayer")
        loadSoundPlayer(element, name);
    else if (tag == "text2")
        loadText(element, name);
    else if (tag == "videoplayerbutton")
        loadVideoPlayerButton(element);
    else
        applyProperty(tag, element);
    return element;
}

TiXmlNode* KyXMLGUI::filterPlatform(TiXmlElement* element, TiXmlNode* node)
{
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (!nameIs(a, "type"))
            continue;
        const char* type = a->Value();
        if (type[0] == '\0' || std::strcmp(type, "iPhone") == 0)
            return node;
        // Another platform: only this element's own content is skipped.
        return nullptr;
    }
    return node;
}

void KyXMLGUI::loadGroup(TiXmlElement* element)
{
    KyString group;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (nameIs(a, "name"))
            group = a->Value();
    }
    groups.pushBack(group);
}

void KyXMLGUI::loadMusic(TiXmlElement* element, const KyString& name)
{
    KyString file;
    bool repeat = true;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "file")
            file = a->Value();
        else if (attribute == "repeat")
            repeat = flagValue(a->Value());
    }
    KyMusic* music = new KyMusic;
    music->Repeat(repeat);
    music->load(file);
    musics.insert(name, music);
    lastKind = KindMusic;
}

void KyXMLGUI::loadSFX(TiXmlElement* element, const KyString& name)
{
    KySFX* sfx = new KySFX;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (nameIs(a, "file"))
            sfx->Load(KyString(a->Value()));
        // "repeat" is accepted; a one-shot effect has nothing to repeat.
    }
    sfxs.insert(name, sfx);
    lastKind = KindSFX;
}

void KyXMLGUI::loadValue(TiXmlElement* element, const KyString& name)
{
    KyString* text = new KyString;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (nameIs(a, "value"))
            *text = a->Value();
    }
    values.insert(name, text);
    lastKind = KindValue;
}

void KyXMLGUI::loadImage(TiXmlElement* element, const KyString& name)
{
    lastKind = KindNone;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (!nameIs(a, "file"))
            continue;
        KyIntrusivePtr<KyImg> image =
            KySingleton<KyResourceManager>::instance()->getOrLoad<KyImg>(KyPath(a->Value()));
        // A file that gives no image registers nothing.
        lastKind = image ? KindImage : KindNone;
        if (image)
            images.insert(name, image);
    }
}

void KyXMLGUI::loadMovement2(TiXmlElement* element, const KyString& name)
{
    lastKind = KindMovement2;
    KyMovement2* movement = new KyMovement2;
    movement->loadXml(element);
    movements2.insert(name, movement);
}

void KyXMLGUI::loadMovement3(TiXmlElement* element, const KyString& name)
{
    lastKind = KindMovement3;
    KyMovement3* movement = new KyMovement3;
    movement->loadXml(element);
    movements3.insert(name, movement);
}

void KyXMLGUI::loadSprite(TiXmlElement* element, const KyString& name)
{
    lastKind = KindSprite;
    KySprite* sprite = new KySprite(KySingleton<KyScreen>::instance());
    sprite->loadFromXml(element, folder);
    sprite->setParent(this);
    sprites.insert(name, sprite);
}

void KyXMLGUI::loadButton(TiXmlElement* element, const KyString& name)
{
    KyButton* button = new KyButton;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "enable") {
            bool active = flagValue(a->Value());
            button->active = active;
            // An inactive button lets go of what it was holding.
            if (!active)
                button->clearTouches();
        } else if (attribute == "visible") {
            button->setEnable(flagValue(a->Value()));
        }
    }
    button->setParent(this);
    buttons.insert(name, button);
    lastKind = KindButton;
}

void KyXMLGUI::loadSpriteButton(TiXmlElement* element, const KyString& name)
{
    lastKind = KindSpriteButton;
    KySpriteButton* button = new KySpriteButton;
    button->loadFromXml(element, folder);
    button->setParent(this);
    spriteButtons.insert(name, button);
}

void KyXMLGUI::loadSpriteButton2(TiXmlElement* element, const KyString& name)
{
    lastKind = KindSpriteButton2;
    KySpriteButton2* button = new KySpriteButton2;
    button->loadFromXml(element, folder);
    button->setParent(this);
    spriteButtons2.insert(name, button);
}

void KyXMLGUI::loadCheckBox(TiXmlElement* element, const KyString& name)
{
    KyCheckBox* checkBox = new KyCheckBox;
    checkBox->loadFromXml(element);
    checkBox->setParent(this);
    checkBoxes.insert(name, checkBox);
    lastKind = KindCheckBox;
}

void KyXMLGUI::loadVideoPlayer(TiXmlElement* element, const KyString& name)
{
    KyVideoPlayer* player = new KyVideoPlayer;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "video_file")
            player->load(KyString(a->Value()));
        else if (attribute == "audio_file")
            player->setSoundTrack(KyString(a->Value()));
        // "show_first_frame" is accepted and changes nothing: a loaded player
        // shows its black picture until the first click.
    }
    player->setParent(this);
    videoPlayers.insert(name, player);
    lastKind = KindVideoPlayer;
}

void KyXMLGUI::loadSoundPlayer(TiXmlElement* element, const KyString& name)
{
    lastKind = KindSoundPlayer;
    KySoundPlayer* player = new KySoundPlayer;
    player->loadFromXml(element);
    player->setParent(this);
    soundPlayers.insert(name, player);
}

void KyXMLGUI::loadText(TiXmlElement* element, const KyString& name)
{
    lastKind = KindText;
    KyText2* text = new KyText2;
    text->loadFromXml(element);
    text->setParent(this);
    texts.insert(name, text);
}

void KyXMLGUI::loadVideoPlayerButton(TiXmlElement* element)
{
    KyVideoPlayer* player = lastValue(videoPlayers);
    if (!player) {
        logPrint("[KyXMLGUI::Load] videoplayerbutton without a kyvideoplayer before it: ignored\n");
        return;
    }
    KyString file;
    f32 x = 0.0f;
    f32 y = 0.0f;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "file")
            file = a->Value();
        else if (attribute == "x")
            x = decimalValue(a->Value());
        else if (attribute == "y")
            y = decimalValue(a->Value());
    }
    KySpriteButton* button = new KySpriteButton;
    button->load(file, KyString(), KyString());
    button->setPosition(KyVector3f32(x, y, 0.0f));
    player->setButton(button);
    KyString key(*lastKey(videoPlayers));
    key += ".exitButton";
    spriteButtons.insert(key, button);
}

void KyXMLGUI::queueWidget(Ky3DObject* widget)
{
    // The interface may be destroyed before the deletion pass (unload runs
    // from its destructor); a widget still moved by a running movement in
    // the meantime must not reach it through its parent link.
    widget->setParent(nullptr);
    KyDeferredDeletion::deleteLater(widget);
}

Ky3DObject* KyXMLGUI::lastWidget()
{
    switch (lastKind) {
    case KindSprite:
        return lastValue(sprites);
    case KindButton: {
        KyButton* button = lastValue(buttons);
        return button ? static_cast<Ky3DObject*>(button) : nullptr;
    }
    case KindSpriteButton:
        return lastValue(spriteButtons);
    case KindSpriteButton2:
        return lastValue(spriteButtons2);
    case KindCheckBox:
        return lastValue(checkBoxes);
    case KindVideoPlayer:
        return lastValue(videoPlayers);
    case KindText:
        return lastValue(texts);
    default:
        return nullptr;
    }
}

void KyXMLGUI::applyProperty(const KyString& tag, TiXmlElement* element)
{
    Ky3DObject* target = lastWidget();
    if (!target)
        return;
    bool placed = lastKind == KindSprite || lastKind == KindButton || lastKind == KindSpriteButton ||
                  lastKind == KindSpriteButton2 || lastKind == KindCheckBox;
    bool sized = placed || lastKind == KindVideoPlayer;

    if (tag == "position") {
        target->setPosition(readVector3(element));
    } else if (tag == "size") {
        if (sized)
            target->setSize(readVector3(element));
    } else if (tag == "scale") {
        if (sized)
            target->setScale(readVector3(element));
    } else if (tag == "rotate") {
        if (placed)
            target->setRotation(readFloatValue(element));
    } else if (tag == "opacity") {
        if (placed)
            target->setOpacity(readFloatValue(element));
    } else if (tag == "margin") {
        KyVector3f32 m = readVector3(element);
        if (lastKind == KindSpriteButton)
            lastValue(spriteButtons)->setMargins(m.x, m.y);
        else if (lastKind == KindSpriteButton2)
            lastValue(spriteButtons2)->setMargins(m.x, m.y);
        else if (lastKind == KindCheckBox)
            lastValue(checkBoxes)->setMargins(m.x, m.y);
    } else if (tag == "rect") {
        if (lastKind == KindText) {
            s32 width = 0;
            s32 height = 0;
            readIntPair(element, width, height);
            lastValue(texts)->setTextBox(width, height);
        }
    }
}

void KyXMLGUI::unload()
{
    // Each registry is walked from its first entry to its last, in this
    // order; the objects stay alive until the end of the frame.
    for (KyMap<KyString, KySprite*>::iterator it = sprites.begin(); it != sprites.end(); ++it) {
        it->value->setVisible(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KyButton*>::iterator it = buttons.begin(); it != buttons.end(); ++it) {
        it->value->setEnable(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KySpriteButton*>::iterator it = spriteButtons.begin(); it != spriteButtons.end();
         ++it) {
        // Disables the embedded button and hides every picture and the label.
        it->value->setVisible(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KySpriteButton2*>::iterator it = spriteButtons2.begin();
         it != spriteButtons2.end(); ++it) {
        it->value->setVisible(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KyCheckBox*>::iterator it = checkBoxes.begin(); it != checkBoxes.end(); ++it) {
        // Disables the embedded button; the looks follow: all hidden.
        it->value->setVisible(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KyMusic*>::iterator it = musics.begin(); it != musics.end(); ++it)
        KyDeferredDeletion::deleteLater(it->value);
    for (KyMap<KyString, KySFX*>::iterator it = sfxs.begin(); it != sfxs.end(); ++it)
        KyDeferredDeletion::deleteLater(it->value);
    for (KyMap<KyString, KyString*>::iterator it = values.begin(); it != values.end(); ++it)
        delete it->value;
    for (KyMap<KyString, KyMovement2*>::iterator it = movements2.begin(); it != movements2.end(); ++it)
        KyDeferredDeletion::deleteLater(it->value);
    for (KyMap<KyString, KyMovement3*>::iterator it = movements3.begin(); it != movements3.end(); ++it)
        KyDeferredDeletion::deleteLater(it->value);
    // The players are hidden and disabled too, so that nothing of the
    // screen left is drawn or clicked in the rest of the frame.
    for (KyMap<KyString, KyVideoPlayer*>::iterator it = videoPlayers.begin(); it != videoPlayers.end();
         ++it) {
        it->value->video.sprite.setVisible(false);
        it->value->clickButton.setEnable(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KySoundPlayer*>::iterator it = soundPlayers.begin(); it != soundPlayers.end();
         ++it) {
        it->value->playButton.setVisible(false);
        it->value->stopButton.setVisible(false);
        queueWidget(it->value);
    }
    for (KyMap<KyString, KyText2*>::iterator it = texts.begin(); it != texts.end(); ++it) {
        it->value->setVisible(false);
        queueWidget(it->value);
    }

    groups.clear();
    sprites.clear();
    buttons.clear();
    spriteButtons.clear();
    spriteButtons2.clear();
    checkBoxes.clear();
    musics.clear();
    sfxs.clear();
    values.clear();
    images.clear();
    movements2.clear();
    movements3.clear();
    videoPlayers.clear();
    soundPlayers.clear();
    texts.clear();
}
