// Shared between the WMF and EMF players.
#pragma once
#include "formats/metafile.h"

#include <QPolygonF>
#include <cstdint>
#include <span>

namespace orugif::formats::metafile {

inline constexpr const char* kNotMetafile = "Ce fichier n'est pas un métafichier WMF ou EMF valide.";
inline constexpr const char* kBadHeader = "L'en-tête du métafichier est invalide.";
inline constexpr const char* kTooMuchWork =
    "Le métafichier demande trop de travail de dessin pour sa taille : il est refusé.";
inline constexpr const char* kTooLarge = "Le métafichier est trop grand (%1 x %2 pixels).";

// Largest number of points or rectangles one record may carry; the bytes
// must be there as well.
inline constexpr std::uint32_t kMaxItems = 1u << 24;

QSize emfSize(std::span<const std::uint8_t> file);
QImage renderEmf(std::span<const std::uint8_t> file);
QSize wmfSize(std::span<const std::uint8_t> file);
QImage renderWmf(std::span<const std::uint8_t> file);

// A transparent picture of the given size, or EMetafileException.
QImage blankPicture(QSize size);

} // namespace orugif::formats::metafile
