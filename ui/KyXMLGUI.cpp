#include "ui/KyXMLGUI.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "media/KyVideoPlayer.h"
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

// Appends one dotted part: "a" + "b" gives "a.b"; an empty name takes the
// part as it is.
void appendNamePart(KyString& name, const char* part)
{
    if (!name.isEmpty()) {
        name += ".";
        name += part ? part : "";
    } else {
        name = part ? part : "";
    }
}

// The name of an element whose loader reads every "name" attribute, in any
// letter case, each one appending a dotted part to the parent's name.
KyString nameFromAllNameAttributes(const TiXmlElement* element, const KyString& parentName)
{
    KyString name(parentName);
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (nameIs(a, "name"))
            appendNamePart(name, a->Value());
    }
    return name;
}

// Deepest element nesting an interface file may have. Real files nest a
// handful of levels; the limit keeps the recursive parse and walk well
// inside the stack whatever the file holds.
const u32 kMaxNesting = 1000;

// Skips from i to just past the first occurrence of end; the end of text
// when there is none.
size_t skipPast(const std::string& text, size_t i, const char* end)
{
    size_t found = text.find(end, i);
    return found == std::string::npos ? text.size() : found + std::strlen(end);
}

// Whether elements nest deeper than limit, read the way the XML parser
// reads tags: comments, CDATA sections, declarations and quoted attribute
// values are passed over.
bool nestsDeeperThan(const std::string& text, u32 limit)
{
    u32 depth = 0;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            i = skipPast(text, i + 4, "-->");
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            i = skipPast(text, i + 9, "]]>");
        } else if (text.compare(i, 2, "<?") == 0) {
            i = skipPast(text, i + 2, "?>");
        } else if (text.compare(i, 2, "<!") == 0) {
            i = skipPast(text, i + 2, ">");
        } else if (text.compare(i, 2, "</") == 0) {
            if (depth > 0)
                --depth;
            i = skipPast(text, i + 2, ">");
        } else {
            // An opening tag: find its end outside quotes.
            char quote = 0;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
                char c = text[j];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            bool empty = j < text.size() && text[j - 1] == '/';
            if (!empty && ++depth > limit)
                return true;
            i = j;
        }
    }
    return false;
}

// Parses the interface file at the game path file into document. Only a
// regular file is read (the parser would take a folder's size for a
// file's); a missing one fails as the parser's own open does, and so does
// a file nested too deeply to parse safely.
bool readDocument(const KyString& file, TiXmlDocument& document)
{
    if (!KyFile::exists(file)) {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    KyPath disk = KyFile::resolvePath(file, KyString());
    std::FILE* stream = std::fopen(disk.c_str(), "rb");
    if (!stream) {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), stream)) > 0)
        text.append(chunk, n);
    bool parsed = false;
    if (nestsDeeperThan(text, kMaxNesting)) {
        document.SetError(TiXmlBase::TIXML_ERROR_PARSING_ELEMENT, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    } else {
        std::rewind(stream);
        parsed = document.LoadFile(stream);
    }
    std::fclose(stream);
    return parsed;
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

KyXMLGUI::KyXMLGUI()
    : lastKind(KindNone)
    , loaded(false)
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

    TiXmlDocument document;
    if (!readDocument(file, document)) {
        // TinyXML already counts rows and columns from 1.
        logPrint("[KyXMLGUI::Load] file :%s error : %s ligne : %d colonne : %d\n", file.c_str(),
                 document.ErrorDesc(), document.ErrorRow(), document.ErrorCol());
        loaded = false;
        return false;
    }

    lastKind = KindNone;
    folder = file.directory();
    loadNode(&document, KyString());
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

void KyXMLGUI::loadNode(TiXmlNode* node, const KyString& parentName)
{
    if (!node)
        return;

    // Text, comments, declarations and the document itself pass the empty
    // name on.
    KyString name;
    TiXmlNode* walked = node;
    if (TiXmlElement* element = node->ToElement()) {
        name = parentName;
        appendNamePart(name, element->Attribute("name"));
        walked = loadElement(element, parentName, name);
    }
    if (!walked)
        return;
    for (TiXmlNode* child = walked->FirstChild(); child; child = child->NextSibling())
        loadNode(child, name);
}

TiXmlNode* KyXMLGUI::loadElement(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    KyString tag = lowered(element->Value());

    if (tag == "platform")
        return filterPlatform(element, element);
    if (tag == "group")
        loadGroup(element, parentName, name);
    else if (tag == "sprite")
        loadSprite(element, name);
    else if (tag == "button")
        loadButton(element, parentName, name);
    else if (tag == "sprite_button")
        loadSpriteButton(element, name);
    else if (tag == "sprite_button2")
        loadSpriteButton2(element, name);
    else if (tag == "check_box")
        loadCheckBox(element, parentName, name);
    else if (tag == "music")
        loadMusic(element, parentName, name);
    else if (tag == "sfx")
        loadSFX(element, parentName, name);
    else if (tag == "value")
        loadValue(element, parentName, name);
    else if (tag == "img")
        loadImage(element, parentName, name);
    else if (tag == "kyvideoplayer")
        loadVideoPlayer(element, parentName, name);
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

void KyXMLGUI::loadGroup(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    KyString group;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (nameIs(a, "name"))
            group = a->Value();
    }
    groups.pushBack(group);
    name = nameFromAllNameAttributes(element, parentName);
}

void KyXMLGUI::loadMusic(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    name = parentName;
    KyString file;
    bool repeat = true;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "name")
            appendNamePart(name, a->Value());
        else if (attribute == "file")
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

void KyXMLGUI::loadSFX(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    name = parentName;
    KySFX* sfx = new KySFX;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "name")
            appendNamePart(name, a->Value());
        else if (attribute == "file")
            sfx->Load(KyString(a->Value()));
        // "repeat" is accepted; a one-shot effect has nothing to repeat.
    }
    sfxs.insert(name, sfx);
    lastKind = KindSFX;
}

void KyXMLGUI::loadValue(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    name = parentName;
    KyString* text = new KyString;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        KyString attribute = lowered(a->Name());
        if (attribute == "name")
            appendNamePart(name, a->Value());
        else if (attribute == "value")
            *text = a->Value();
    }
    values.insert(name, text);
    lastKind = KindValue;
}

void KyXMLGUI::loadImage(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    name = nameFromAllNameAttributes(element, parentName);
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

void KyXMLGUI::loadButton(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    name = nameFromAllNameAttributes(element, parentName);
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

void KyXMLGUI::loadCheckBox(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    // Only the "name" attribute spelled in lower case names a check box.
    name = parentName;
    if (const char* own = element->Attribute("name"))
        appendNamePart(name, own);
    KyCheckBox* checkBox = new KyCheckBox;
    checkBox->loadFromXml(element);
    checkBox->setParent(this);
    checkBoxes.insert(name, checkBox);
    lastKind = KindCheckBox;
}

void KyXMLGUI::loadVideoPlayer(TiXmlElement* element, const KyString& parentName, KyString& name)
{
    name = nameFromAllNameAttributes(element, parentName);
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
