// Proprietary $PKZN sentences with their 16-bit additive sum, the stored wake sentences,
// markers and read-out request, and the reply words of a receiver's loader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class SerialLink;

// Stored whole and sent one byte per write. The markers are no sentences: eight
// characters and the zero byte that ends them in storage.
inline constexpr std::string_view kFirstWakeSentence = "$PKZN,04,01,01,033D\r\n";   // 21
inline constexpr std::string_view kSecondWakeSentence = "$PKZN,04,01,02,033E\r\n";  // 21
inline constexpr std::string_view kReadOutRequestVr = "$PKZN,0C,00,02BE\r\n";       // 18
inline constexpr std::string_view kLoadMarkerTk{"$KZNPROJ\0", 9};
inline constexpr std::string_view kReadOutMarkerTk{"$KZNPROG\0", 9};

inline constexpr std::uint16_t kPreparationSentenceCode = 0x24;

// The sum of every byte, each counted as a signed 8-bit number, modulo 65536.
std::uint16_t SentenceSum(std::string_view text);
// "$PKZN,CC,NN[,data],SSSS\r\n" for a code and data characters.
std::string BuildProprietarySentence(std::uint16_t code, std::string_view data);
// Builds the sentence and writes it in one call; returns what WriteToPort returned.
std::uint32_t SendProprietarySentence(SerialLink& port, std::uint16_t code, std::string_view data);
// Sends stored text one byte per write call, sleeping `pauseMs` after each byte when > 0.
class Clock;
// False at the first byte the port does not take; the rest is not sent.
bool SendStoredText(SerialLink& port, std::string_view text, Clock* clock = nullptr,
                    std::int64_t pauseMs = 0);

// Reply words of the second family's loader, each followed by CR LF.
std::string RecordReplyWord(char letter, std::uint8_t recordNumber);  // "P%02X\r\n"
inline constexpr std::string_view kReplyAccepted = "PRG\r\n";
inline constexpr std::string_view kReplyEraseDataDone = "DXF\r\n";
inline constexpr std::string_view kReplyEraseDone = "PXF\r\n";
inline constexpr std::string_view kReplyProgramChecksum = "ECP\r\n";
inline constexpr std::string_view kReplyLoadingChecksum = "ECC\r\n";
inline constexpr std::string_view kReplyWrongType = "ETA\r\n";
inline constexpr std::string_view kReplyProgramOk = "POK\r\n";
