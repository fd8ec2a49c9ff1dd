#pragma once
// The drawing the host simulator searches when the plug-in asks for information
// (request code 51), read from a text file of its own:
//
//   ; a comment (also "#"); blank lines do not count
//   Baugruppe 0            an object carrying assembly information, on level 0
//   Benennung=Getriebe     its information attributes, one "name=value" a line
//   Werkstoff=             an attribute with an empty value
//   Element 2              an object carrying element information, on level 2
//   ...
//
// The file is UTF-8 (a byte-order mark is allowed), lines end in LF or CR LF.
// Keywords and attribute names are matched without regard to case; blanks
// around names and values are dropped. The level is the object's depth in the
// assembly structure, 0 being the top.
//
// The answer to a search: the objects the mode flags select (assembly
// information: "Baugruppe" objects; element information: "Element" objects;
// level 0 only: objects on level 0 only), identical objects (same kind, same
// attributes and values) taken together as one position, in the order of their
// first appearance. For every position one line per SEARCH field, in the order of
// the search: the attribute's value, an empty line when the object lacks it,
// "%i" the running position number from 1, "%n" the number of identical objects.
// The result file is written in the OEM code page, as the CAD host writes it.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HostSimulator.h"

namespace orvanta {

enum class ObjectKind { Assembly, Element };

struct DrawingObject {
    ObjectKind kind = ObjectKind::Assembly;
    int level = 0;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;  // in file order
};

class Drawing {
public:
    // Parses a drawing's text; on a malformed line returns false and says why in error.
    bool Parse(const std::string& utf8, std::string& error);
    bool Load(const std::string& path, std::string& error);

    const std::vector<DrawingObject>& Objects() const { return objects_; }

    // The result lines for these field names and mode flags (see above).
    std::vector<std::wstring> Answer(const std::vector<std::wstring>& searchNames, std::uint8_t modeFlags) const;

    // Reads the search file (OEM), writes the result file (OEM, CR LF). False when
    // either file cannot be opened.
    bool AnswerInfoQuery(const std::string& searchSpecPath, const std::string& resultPath,
                         std::uint8_t modeFlags) const;

private:
    std::vector<DrawingObject> objects_;
};

// The field names of a search file's "SEARCH: name:" lines (OEM), in order.
std::vector<std::wstring> SearchNamesOf(const std::string& searchSpec);
std::vector<std::wstring> ReadSearchNames(const std::string& searchSpecPath);

// A handler for HostSimulator::SetInfoQueryHandler that answers from the drawing.
HostSimulator::InfoQueryHandler DrawingAnswer(std::shared_ptr<const Drawing> drawing);

}  // namespace orvanta
