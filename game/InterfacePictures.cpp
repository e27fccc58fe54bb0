#include "game/InterfacePictures.h"

#include "core/KyFile.h"
#include "core/KyTypes.h"
#include "platform/KyImg.h"
#include "platform/KyImgPrefetch.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// How deep the scripts named by scripts are followed.
const u32 kScriptDepth = 4;

bool readScript(const KyString& path, std::vector<char>& text)
{
    KyFile file;
    if (!KyFile::exists(path) || !file.Open_2(path, KyFile::ModeRead))
        return false;
    text.resize(file.GetFileSize());
    text.resize(text.empty() ? 0 : file.read(text.data(), u32(text.size())));
    return true;
}

bool isScriptName(const std::string& name)
{
    return name.size() > 4 && KyString(name.c_str() + name.size() - 4).toLower() == ".lua";
}

// The strings a Lua text quotes on one line, outside its "--" comments, in
// their order (escapes are not decoded: a name holding one is not a file).
std::vector<std::string> quotedStrings(const std::vector<char>& text)
{
    std::vector<std::string> strings;
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        const char c = text[i];
        if (c == '-' && i + 1 < size && text[i + 1] == '-') {
            while (i < size && text[i] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            size_t end = i + 1;
            bool plain = true;
            while (end < size && text[end] != c && text[end] != '\n') {
                if (text[end] == '\\') {
                    plain = false;
                    ++end;
                }
                ++end;
            }
            if (end < size && text[end] == c && plain)
                strings.push_back(std::string(&text[i + 1], end - i - 1));
            i = end + 1;
        } else {
            ++i;
        }
    }
    return strings;
}

void requestNamedIn(const KyString& scriptPath, u32 depth, std::vector<std::string>& scanned)
{
    const std::string key(scriptPath.c_str());
    if (depth > kScriptDepth || std::find(scanned.begin(), scanned.end(), key) != scanned.end())
        return;
    scanned.push_back(key);
    std::vector<char> text;
    if (!readScript(scriptPath, text))
        return;
    for (const std::string& name : quotedStrings(text)) {
        const KyString path(name.c_str());
        if (isScriptName(name))
            requestNamedIn(path, depth + 1, scanned);
        else if (KyImg::isPictureName(path))
            KyImgPrefetch::instance().request(path);
    }
}

} // namespace

void requestPicturesNamedIn(const KyString& scriptPath)
{
    std::vector<std::string> scanned;
    requestNamedIn(scriptPath, 0, scanned);
}
