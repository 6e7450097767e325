// kznsim's JSON report as the tests read it, and the expected reports kept beside the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace simreport {

using Json = nlohmann::json;

// nullopt when the file cannot be read or is not one JSON value.
std::optional<Json> ParseFile(const std::string& path);

// The report writes byte strings as upper-case hexadecimal without separators.
std::optional<std::vector<std::uint8_t>> BytesFromHex(std::string_view hex);
std::string HexFromBytes(const std::vector<std::uint8_t>& bytes);

// The strings of a report's array, or of member `member` of each of its elements, joined
// with `separator`: the outcomes, the violations, every byte heard in every phase.
std::string Joined(const Json& array, const std::string& member = "",
                   const std::string& separator = "");

// Compares the report with the expected file `name`.json in `folder`, less the members that
// change from run to run, each named by a JSON pointer ("/garbledBytes", "/phases/0/bytes")
// and replaced by "(varies)" (a pointer that names nothing is ignored). With
// KZN_REFRESH_EXPECTED=1 in the environment it writes the file instead.
void ExpectMatchesExpected(const Json& report, const std::string& folder, const std::string& name,
                           const std::vector<std::string>& varying = {});

// The same for the running test, named after it ("/" of a parameterised test as "_"). How
// many bytes the line lost or garbled depends on the moment each setting changed, so those
// counts are always left out; a test that cares checks them itself.
void ExpectReportAsExpected(const Json& report, const std::string& folder,
                            std::vector<std::string> varying = {});

}  // namespace simreport
