#pragma once
// Le texte du premier nœud désigné par un XPath ; un échec si le fichier est mal formé.
#include "outils/OutilsTests.h"

#include <pugixml.hpp>

namespace OutilsTests {

inline QString texteXml(const QString& fichier, const char* chemin) {
    const QByteArray octets = lireFichier(fichier);
    pugi::xml_document d;
    EXPECT_TRUE(d.load_buffer(octets.constData(), size_t(octets.size()))) << fichier.toStdString();
    return QString::fromUtf8(d.select_node(chemin).node().text().get());
}

} // namespace OutilsTests
