// The file window's list of kinds of file, the same in every front end.
#pragma once

// Label and pattern pairs, "|" between each, as the file window has always offered them;
// an empty pair ends the list.
inline constexpr const char* kFileWindowFilterPairs =
    "Version Française (*.fra)|*.fra| Version Anglaise  (*.gb)|*.gb|Version Hollandaise  "
    "(*.nl)|*.nl|Version Espagnol  (*.esp)|*.esp|Version Italienne  (*.ita)|*.ita|Version "
    "Portuguaise  (*.por)|*.por|Version Finlandaise  (*.fin)|*.fin|Version Allemande  "
    "(*.all)|*.all|Version Danoise  (*.dan)|*.dan|Version Suédoise  (*.sue)|*.sue|Version "
    "Indonésienne  (*.ind)|*.ind|Version Norvégiene  (*.nor)|*.nor|All Files (*.*)|*.*||";
