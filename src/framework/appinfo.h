#pragma once

// Fixed facts about the application shown in its texts (about page, report headers).

// The application's title.
inline constexpr char kAppTitle[] = "Tarvex";

// The maker: names the folder of the per-user preferences and ends the version text.
inline constexpr char kMakerName[] = "Orin Brontel";

// The extension of the video files that folders and play lists give the
// file list (and tarvex-cli).
inline constexpr char kVideoExtension[] = ".avi";

// The maker's web page.
inline constexpr char kMakerWebPage[] = "https://tarvex.app";
