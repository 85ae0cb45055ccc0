#!/usr/bin/env python3
"""Écrit data/Modèle/NomFichier_elf.aps.rtf, le modèle du projet AVR Studio 4,
à partir de sa source XML scripts/modele_projet_avrstudio.xml.

La source fait foi : on modifie le .xml, puis on relance ce script. Le même
texte donne toujours le même RTF, octet pour octet.

    generer_modele_aps.py              écrit le RTF
    generer_modele_aps.py --verifier   échoue si le RTF n'est pas à jour

Python 3, bibliothèque standard seulement.
"""

import argparse
import pathlib
import sys
import xml.dom.minidom

RACINE = pathlib.Path(__file__).resolve().parent.parent
SOURCE = RACINE / "scripts" / "modele_projet_avrstudio.xml"
CIBLE = RACINE / "data" / "Modèle" / "NomFichier_elf.aps.rtf"

# Les repères que le programme remplace, en respectant la casse.
REPERES = ["ZZNomFichierZZ", "ZZRepTravZZ", "ZZMicroControleurZZ"]

# Police à chasse fixe ; les repères en gras bleu pour qui ouvre le modèle
# dans un traitement de texte.
ENTETE = (
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036"
    "{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\n"
    "{\\colortbl ;\\red0\\green0\\blue255;}\n"
    "\\viewkind4\\uc1\\pard\\plain\\f0\\fs20\n"
)
FIN = "}\n"


def echapper(texte):
    morceaux = []
    for c in texte:
        if c in "\\{}":
            morceaux.append("\\" + c)
        elif c == "\t":
            morceaux.append("\\tab ")
        elif ord(c) < 128:
            morceaux.append(c)
        else:
            morceaux.append("\\'%02x" % c.encode("cp1252")[0])
    return "".join(morceaux)


def ligne_rtf(ligne):
    sortie = []
    reste = ligne
    while reste:
        positions = [(reste.find(r), r) for r in REPERES if r in reste]
        if not positions:
            sortie.append(echapper(reste))
            break
        pos, repere = min(positions)
        sortie.append(echapper(reste[:pos]))
        sortie.append("{\\b\\cf1 " + repere + "}")
        reste = reste[pos + len(repere):]
    return "".join(sortie) + "\\par\n"


def produire(texte):
    lignes = texte.split("\n")
    if lignes and lignes[-1] == "":
        lignes.pop()
    return ENTETE + "".join(ligne_rtf(l) for l in lignes) + FIN


def verifier_source(texte):
    erreurs = [f"repère « {r} » absent" for r in REPERES if r not in texte]
    # Bien formé une fois les repères remplacés par des valeurs ordinaires.
    essai = texte
    for r, v in zip(REPERES, ["projet", "C:\\Projets\\essai", "atmega8"]):
        essai = essai.replace(r, v)
    try:
        xml.dom.minidom.parseString(essai.encode("utf-8"))
    except Exception as e:  # noqa: BLE001
        erreurs.append(f"XML mal formé : {e}")
    return erreurs


def main():
    analyse = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    analyse.add_argument("--verifier", action="store_true")
    args = analyse.parse_args()

    texte = SOURCE.read_text(encoding="utf-8")
    erreurs = verifier_source(texte)
    if erreurs:
        for e in erreurs:
            print(f"{SOURCE.name} : {e}", file=sys.stderr)
        return 1
    rtf = produire(texte).encode("ascii")
    if args.verifier:
        if not CIBLE.exists() or CIBLE.read_bytes() != rtf:
            print(f"{CIBLE} n'est pas à jour : relancez {pathlib.Path(__file__).name}", file=sys.stderr)
            return 1
        return 0
    CIBLE.parent.mkdir(parents=True, exist_ok=True)
    CIBLE.write_bytes(rtf)
    return 0


if __name__ == "__main__":
    sys.exit(main())
