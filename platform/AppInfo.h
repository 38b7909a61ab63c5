#pragma once
// The program's names and addresses, each in one place.

namespace appinfo {

// The application's title: window captions, message boxes, dialog titles.
inline constexpr char16_t kAppTitle[] = u"Vantrell by Orlenby";
inline constexpr char16_t kAppName[] = u"Vantrell";
inline constexpr char16_t kDocumentType[] = u"Vantrell.Document";
// The product's web page (carried by the share pages) and the support address (Contact Us, About).
inline constexpr char16_t kProductPage[] = u"https://orlenby.github.io/vantrell/";
inline constexpr char16_t kSupportEmail[] = u"support@orlenby.org";

}  // namespace appinfo
