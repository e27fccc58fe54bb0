#include "tools/datagen/DataGenerator.h"

#include "tools/datagen/FontFileMaker.h"
#include "tools/datagen/PanoramaMaker.h"
#include "tools/datagen/PictureMaker.h"
#include "tools/datagen/SoundMaker.h"
#include "tools/datagen/VideoMaker.h"
#include "tools/datagen/VoiceMaker.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Hands the first command to the maker of its kind, the others to that maker.
class KindDispatch : public DescriptionRunner::Handler {
public:
    explicit KindDispatch(DescriptionRunner& runner) : m_runner(runner) {}

    void command(Command& command) override
    {
        if (m_maker) {
            m_maker->command(command);
            return;
        }
        m_maker = DataGenerator::makerFor(command.name(), m_runner);
        if (!m_maker)
            throw command.error("'" + command.name()
                                + "' names no kind of description (the first command is picture, sound, voice, font, panorama or video)");
        m_maker->header(command);
    }
    bool opensBlock(const std::string& name) const override { return m_maker && m_maker->opensBlock(name); }
    void block(Command& command, const DescriptionRunner::Body& body) override { m_maker->block(command, body); }

    Maker* maker() const { return m_maker.get(); }

private:
    DescriptionRunner& m_runner;
    std::unique_ptr<Maker> m_maker;
};

void makeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
            throw std::runtime_error(folder + ": cannot be made (" + std::strerror(errno) + ")");
    }
}

std::vector<std::uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void listFiles(const std::string& root, const std::string& relative, std::vector<std::string>& files)
{
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        throw std::runtime_error(folder + ": cannot be listed");
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        if (lstat((root + "/" + path).c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (name[0] != '.')
                listFiles(root, path, files);
        } else if (S_ISREG(info.st_mode)) {
            files.push_back(path);
        }
    }
}

std::string escapeForMake(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#' || c == '\\')
            out += '\\';
        else if (c == '$')
            out += '$';
        out += c;
    }
    return out;
}

} // namespace

std::unique_ptr<Maker> DataGenerator::makerFor(const std::string& kind, DescriptionRunner& runner)
{
    if (kind == "picture")
        return std::unique_ptr<Maker>(new PictureMaker(runner));
    if (kind == "sound")
        return std::unique_ptr<Maker>(new SoundMaker);
    if (kind == "voice")
        return std::unique_ptr<Maker>(new VoiceMaker);
    if (kind == "font")
        return std::unique_ptr<Maker>(new FontFileMaker(runner.context()));
    if (kind == "panorama")
        return std::unique_ptr<Maker>(new PanoramaMaker(runner));
    if (kind == "video")
        return std::unique_ptr<Maker>(new VideoMaker(runner));
    return std::unique_ptr<Maker>();
}

std::vector<std::uint8_t> DataGenerator::generate(DataContext& context, const std::string& description,
                                                  const std::string& outputName)
{
    try {
        DescriptionRunner runner(context);
        KindDispatch dispatch(runner);
        runner.runFile(description, dispatch);
        if (!dispatch.maker())
            throw DataError(description, 0, "describes nothing (the first command is picture, sound, voice, font, panorama or video)");
        return dispatch.maker()->finish(outputName);
    } catch (const DataError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw DataError(description, 0, e.what());
    }
}

DataGenerator::Role DataGenerator::roleOf(const std::string& relativePath)
{
    const size_t slash = relativePath.rfind('/');
    const std::string name = slash == std::string::npos ? relativePath : relativePath.substr(slash + 1);
    if (name.empty() || name[0] == '.' || endsWith(name, "~"))
        return Ignored;
    if (endsWith(name, ".gen") && name.size() > 4)
        return Generated;
    if (endsWith(name, ".inc"))
        return Fragment;
    return Copied;
}

std::string DataGenerator::outputOf(const std::string& relativePath)
{
    return endsWith(relativePath, ".gen") ? relativePath.substr(0, relativePath.size() - 4) : relativePath;
}

void DataGenerator::writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    makeFolders(path);
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        throw std::runtime_error(path + ": cannot be written (" + std::strerror(errno) + ")");
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error(path + ": cannot be written");
    }
}

void DataGenerator::writeDepfile(const std::string& path, const std::string& target, const std::set<std::string>& files)
{
    std::ostringstream out;
    out << escapeForMake(target) << ":";
    for (const std::string& file : files)
        out << " \\\n  " << escapeForMake(file);
    out << "\n";
    const std::string text = out.str();
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

int DataGenerator::buildTree(const std::string& dataRoot, const std::string& outRoot,
                             const std::vector<std::string>& fontFolders)
{
    std::vector<std::string> files;
    listFiles(dataRoot, std::string(), files);
    int written = 0;
    for (const std::string& relative : files) {
        const Role role = roleOf(relative);
        const std::string target = outRoot + "/" + outputOf(relative);
        if (role == Generated) {
            DataContext context(dataRoot);
            for (const std::string& folder : fontFolders)
                context.addFontFolder(folder);
            writeFile(target, generate(context, dataRoot + "/" + relative, target));
        } else if (role == Copied) {
            writeFile(target, readAll(dataRoot + "/" + relative));
        } else {
            continue;
        }
        ++written;
    }
    return written;
}
