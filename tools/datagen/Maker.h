#ifndef KY_DATAGEN_MAKER_H
#define KY_DATAGEN_MAKER_H

#include "tools/datagen/DescriptionRunner.h"

#include <cstdint>
#include <string>
#include <vector>

// One kind of description (picture, sound, voice, font, panorama): the
// first command of a description names the kind and goes to header(); every
// following command to command(); finish() then gives the bytes of the
// output file, whose name chooses the format. Faults are thrown as
// DataError (or std::runtime_error for faults that have no line).
class Maker : public DescriptionRunner::Handler {
public:
    virtual void header(Command& command) = 0;
    void command(Command& command) override
    {
        throw command.error("a " + kind() + " description has only its '" + kind() + "' line, not '" + command.name() + "'");
    }
    virtual std::vector<std::uint8_t> finish(const std::string& outputName) = 0;
    virtual std::string kind() const = 0;
};

#endif
