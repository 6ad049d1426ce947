#include "data/ls_option.h"

#include <utility>

CLSOption::CLSOption(std::string name, bool internal, bool suppressed, bool auxiliary,
                     std::uint32_t displayFlags)
    : endDate_(data::CurrentDateTime()),
      startDate_(endDate_),
      name_(std::move(name)),
      internal_(internal),
      suppressed_(suppressed),
      auxiliary_(auxiliary),
      displayFlags_(displayFlags) {}
