#pragma once
// Un document riche fait d'un texte, comme le tampon que remplissent les fenêtres.
#include "ui/DocumentRiche.h"

namespace OutilsTests {

inline DocumentRiche documentDe(const QString& texte) {
    DocumentRiche d;
    d.définirTexte(texte);
    return d;
}

} // namespace OutilsTests
