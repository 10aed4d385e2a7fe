// --convert: a dump in the kit's format becomes a SIMH tape image, and a SIMH image a dump in the
// kit's format, record for record. The input is read in the format the output is not.
#pragma once

#include <ostream>
#include <string>

#include "tape_dump.h"
#include "tape_image.h"

namespace tapecopy {

// Answers the exit code; every message goes to `messages`. A damaged input stops the conversion
// with a message naming the offset; what was converted before it stays in the output.
int convertImage(const std::string& inputName, const std::string& outputName, ImageFormat outputFormat,
                 std::ostream& messages, const DumpSinkFactory& createSink = createHostDumpFile);

}  // namespace tapecopy
