#include "core/KyString.h"
#include "tests/support/StdoutCapture.h"
#include "tests/ui/TextParserFixture.h"
#include "ui/KyTextBlock.h"
#include "ui/KyTextDumper.h"
#include "ui/KyTextNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Replays generated malformed markup and damaged streams through the parser,
// the printer, the dump and the stream form. Under the sanitizers this shows
// that no input crashes, hangs or reads out of bounds; it also checks that
// every tree that was accepted reads back to the same bytes.
namespace {

// A fixed-seed generator, so that a failure replays the same way.
class Replay {
public:
    explicit Replay(u32 seed) : m_state(seed) {}

    u32 next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    u32 below(u32 n) { return n ? next() % n : 0; }
    s32 between(s32 low, s32 high) { return low + static_cast<s32>(below(static_cast<u32>(high - low + 1))); }

    std::string markup()
    {
        static const char* const pieces[] = {
            "<t", "<p", "<c", "<f", "<a", "<br", "</t", "</p", "</c", "</f", "</a", "</br", ">", "<", "/", " ", "\n",
            "\r", "\t", "=", "color=", "bColor=", "font=", "hAlign=", "vAlign=", "href=", "justify", "center",
            "right", "down", "300", "-7", "x", "mi", "abc", "Common/Fonts/Big.font", "Common/Fonts/Small.font",
            "Common//Fonts\\Short.font", "Nope.font", "<br/>", "<b>", "\xFF\xE9", "iiiiiiiiiiiiiiiiiiii",
            "<p>", "<c color=5>", "</c>", "<f font=Common/Fonts/Wide.font>", "</f>", "<a href=x>", "</a>", "<br>",
            "<p hAlign=justify>", "<t vAlign=down>", "</t>", "</p>", "</c x>", "<br y>",
        };
        std::string out;
        u32 count = below(40);
        for (u32 i = 0; i < count; ++i) {
            if (below(50) == 0)
                out += '\0';
            out += pieces[below(sizeof(pieces) / sizeof(pieces[0]))];
        }
        return out;
    }

    std::string mutate(std::string bytes)
    {
        u32 edits = 1 + below(4);
        for (u32 i = 0; i < edits && !bytes.empty(); ++i) {
            size_t at = below(static_cast<u32>(bytes.size()));
            switch (below(4)) {
            case 0:
                bytes[at] = static_cast<char>(next());
                break;
            case 1:
                bytes.resize(at);
                break;
            case 2:
                bytes.insert(at, 1, static_cast<char>(next()));
                break;
            default:
                bytes[at] = static_cast<char>(0xFF);
                break;
            }
        }
        return bytes;
    }

private:
    u32 m_state;
};

std::string bytesOf(const KyString& s)
{
    return std::string(s.c_str(), s.length());
}

// Writes the tree in the mode, reads it back and writes it again: the two
// forms must be equal. Then damaged copies are read. Returns what went wrong
// (the log is captured meanwhile, so nothing may be reported from here).
std::string roundTrip(KyTextNode& tree, u32 textMode, Replay& replay)
{
    // Reserved up front: a string grows by exactly what each write needs.
    KyString first;
    first.reserve(1 << 16);
    first.setTextMode(textMode);
    tree.serialize(first);
    std::string written = bytesOf(first);

    KyString in(written.data(), static_cast<u32>(written.size()));
    in.setTextMode(textMode);
    KyTextNode back;
    back.deserialize(in);
    if (back.readFailed())
        return "not read back";
    KyString second;
    second.reserve(1 << 16);
    second.setTextMode(textMode);
    back.serialize(second);
    if (bytesOf(second) != written)
        return "read back differently";

    for (int i = 0; i < 4; ++i) {
        std::string damaged = replay.mutate(written);
        KyString stream(damaged.data(), static_cast<u32>(damaged.size()));
        stream.setTextMode(textMode);
        KyTextNode node;
        node.deserialize(stream);
        if (node.readFailed() && !node.children.isEmpty())
            return "children kept after a failed read";
    }
    return std::string();
}

} // namespace

class TextReplay : public TextFonts {};

TEST_F(TextReplay, MalformedMarkupAndStreams)
{
    // Keep the fonts loaded for the whole replay.
    std::vector<KyIntrusivePtr<KyFont>> fonts;
    for (const char* name : {"Common/Fonts/Typo1.font", kSmall, kBig, kWide, kShort})
        fonts.push_back(KyFont::fromName(name));

    Replay replay(20240611u);
    u32 accepted = 0;
    std::vector<std::string> problems;
    {
        StdoutCapture quiet;
        for (int i = 0; i < 1000; ++i) {
            std::string markup = replay.markup();
            KyIntrusivePtr<KyImg> target = image(replay.below(48), replay.below(40));
            KyTextBlock block;
            block.setMargins(replay.between(-8, 30), replay.between(-8, 30), replay.between(-8, 30),
                             replay.between(-8, 30));
            KyString stream(markup.data(), static_cast<u32>(markup.size()));
            block.setText(target.get(), stream);
            block.print();
            for (auto* n = block.links.headNode()->next; n != block.links.tailNode(); n = n->next) {
                if (n->value.left < -2)
                    problems.push_back("region left of -2 for: " + markup);
            }
            if (!block.tree)
                continue;
            ++accepted;
            KyTextDumper dumper;
            block.tree->accept(dumper);
            for (u32 mode = 0; mode < 2; ++mode) {
                std::string problem = roundTrip(*block.tree, mode, replay);
                if (!problem.empty())
                    problems.push_back(problem + " (mode " + std::to_string(mode) + ") for: " + markup);
            }
        }
    }
    for (const std::string& problem : problems)
        ADD_FAILURE() << problem;
    // The generator must reach the printer and the stream form, not only
    // the rejections.
    EXPECT_GT(accepted, 200u) << accepted;

    // Raw garbage in both modes.
    for (int i = 0; i < 500; ++i) {
        std::string bytes;
        u32 n = replay.below(64);
        for (u32 k = 0; k < n; ++k)
            bytes += static_cast<char>(replay.below(4) ? replay.below(8) : replay.next());
        for (u32 mode = 0; mode < 2; ++mode) {
            KyString stream(bytes.data(), static_cast<u32>(bytes.size()));
            stream.setTextMode(mode);
            KyTextNode node;
            node.deserialize(stream);
        }
    }
}
