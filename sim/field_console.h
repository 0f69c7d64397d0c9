#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/field_cards.h"

namespace sim {

// The lines korvicard-sim reads on its standard input to change the cards in the RF field:
//   card NAME…   takes every card out of the field and holds these (the names --card takes,
//                at most one card per protocol)
//   card none    empties the field
// Each line is answered with what the field holds afterwards; a line that cannot be
// followed gets "refused: " with the reason, the names and what the field still holds, and
// changes nothing. Blank lines are passed over.
class FieldConsole {
  public:
    // Called with the cards of each accepted line; it places them (under whatever lock the
    // field needs).
    using PlaceCards = std::function<void(const std::vector<FieldCard>&)>;

    FieldConsole(std::vector<FieldCard> held, PlaceCards place);

    // The line that opens the console once korvicard-sim serves: how to place cards, the
    // names and what the field holds.
    std::string Hint() const;

    // Input bytes as they come: the answers to the lines they complete, one line each.
    std::string Take(std::string_view bytes);
    // At the end of the input: the answer to a last line without its newline.
    std::string Finish();

  private:
    std::string Answer(std::string_view line);
    std::string Refuse(const std::string& reason) const;
    // "; the names: …; in the field: …"
    std::string Listing() const;

    std::vector<FieldCard> held_;
    PlaceCards place_;
    std::string pending_;
    bool overlong_ = false;  // the line under way outgrew the limit: it is passed over
};

}  // namespace sim
