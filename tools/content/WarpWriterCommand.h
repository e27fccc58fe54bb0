#ifndef KY_CONTENT_WARP_WRITER_COMMAND_H
#define KY_CONTENT_WARP_WRITER_COMMAND_H

#include <iosfwd>
#include <string>
#include <vector>

// The command line of the panorama writer tool: reads the six face
// pictures (and the animation layers) named by the arguments, writes the
// ".wp" file and reports on the given streams. Returns the exit code: 0 on
// success or help, 1 for bad arguments or input (with a message saying what
// is wrong on err).
namespace WarpWriterCommand {

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
// The text of --help.
std::string usage();

} // namespace WarpWriterCommand

#endif
