#pragma once
// Putting the pages of several fax image files into one.

#include <string>
#include <vector>

namespace telvane {

// Appends the pages of `source` behind the last page of `destination` and
// rewrites the destination's header with the summed PageCount; the
// destination keeps its other header fields and the source's signature is
// not checked. Pages are always kept apart: with `join` clear and equal
// page flags the first source page would be merged into the last
// destination page, which nothing asks for, so it is kept apart as well.
// Copies in 4096-byte blocks. 0 or a negative error (-2 when a file is
// missing, -8001 when the destination is not a fax image file or its pages
// run past its end).
int AppendFaxImage(const std::string& destination, const std::string& source, bool join);

// Joins page files into the first: appends each further entry, then
// deletes every entry after the first. 0 or the first error (page files
// made so far then remain).
int JoinPageFiles(const std::vector<std::string>& files);

// Joins fax image files into a new file `joined` for sending: the first
// file copied whole, of every further file everything behind its 64-byte
// header, PageCount summed. Every file must carry the signature (-8001).
int JoinFaxImageFiles(const std::vector<std::string>& files, const std::string& joined);

}  // namespace telvane
