#!/usr/bin/env python3
"""Écrit le fichier des possibilités des composants « Configuration.xml » et les
modèles de code des timers « Modèle/MLI <composant>.txt ».

Pour chaque composant : ses timers à sortie MLI (une entrée « Timer » par sortie
de comparaison, car chacune a son registre de comparaison et ses bits COM), puis
ses timers sans CTC ni sortie (débordement seul, pour la base de temps et le
compteur), ses
sorties avec leur broche, ses entrées d'horloge, ses ports, et le nom du modèle
de code. Les noms des registres, la position des bits et les ports viennent du
préprocesseur du compilateur (avr-gcc -mmcu=X -E -dM sur <avr/io.h>) ; ce que
les en-têtes ne disent pas (le mode de chaque combinaison WGM, les listes de
prédiviseurs et leurs codes, la broche de chaque sortie) vient des tables
ci-dessous, écrites d'après les fiches techniques.

Bibliothèque standard seulement ; le résultat est déterministe. Le texte XML est
celui que le magasin XML du programme écrirait (tabulations, « <X /> »).

Usage : python3 scripts/generer_configuration.py [--sortie DOSSIER] [--avr-gcc PROG]
  --sortie : dossier des données (défaut data/ du dépôt)
"""

import argparse
import concurrent.futures
import os
import re
import subprocess
import sys

RACINE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Prédiviseurs de l'horloge interne ; le code de sélection (bits CS) est la
# position + 1 (0 arrête le timer). « async » : timers à oscillateur 32 kHz.
PREDIVISEURS = {
    "normal": [1, 8, 64, 256, 1024],
    "async": [1, 8, 32, 64, 128, 256, 1024],
    # Timer1 des ATtiny25/45/85 et ATtiny26 : CK/2^(code-1), codes 1 à 15
    "puissances": [1 << k for k in range(15)],
}
# Codes CS d'une horloge externe sur la broche Tn, front montant.
CODE_HORLOGE_EXTERNE = 7

# Familles de timers.
#  8b1  : un registre TCCRn (WGMn0, COMn1:0, WGMn1, CSn2:0), comparaison OCRn
#  8b1A : la même chose nommée TCCRnA / COMnA / OCRnA (ATmega169, AT90CAN128)
#  8b2  : TCCRnA (COMnx, WGMn1:0) et TCCRnB (WGMn2, CS), sommet fixe 0xFF en MLI
#  16b  : TCCRnA (COMnx, WGMn1:0) et TCCRnB (WGMn3:2, CS), sommet ICRn en MLI
#  8b0  : ancien TCCRn (PWMn, COMn1:0, CTCn, CSn2:0) : MLI à phase correcte
#         8 bits seulement, pas de MLI rapide (AT90S, ATmega103/161/163/323)
#  16b0 : ancien Timer1 : TCCR1A (COM1x, PWM11:10) et TCCR1B (CTC1, CS) ;
#         MLI à phase correcte 8, 9 ou 10 bits (10 retenu, sommet 1023),
#         CTC sur 16 bits, pas de MLI rapide
#  hs26 : Timer1 de l'ATtiny26 : TCCR1A (COM1x, PWM1x) et TCCR1B (CTC1, CS13:0),
#         sommet OCR1C ; en MLI la sortie monte à TCNT1 = 1 : haut OCR - 1 comptes
#  hs25 : Timer1 des ATtiny25/45/85 : TCCR1 (CTC1, PWM1A, COM1A, CS13:0),
#         GTCCR (PWM1B, COM1B) ; sommet OCR1C ; en MLI la sortie monte à
#         TCNT1 = 0 et tombe à la comparaison : haut OCR comptes
# Modes retenus : CTC = sommet OCRnA (OCR1C pour hs), bascule de la sortie ;
# MLI rapide et à phase correcte = sommet fixe (8 bits), ICRn (16 bits, modes
# 14 et 10) ou OCR1C (hs) ; sortie non inversée. Les autres sommets des modes MLI
# (OCRnA pour le canal B, sommets fixes et OCR1A sur 16 bits) sont dans
# SommetsFPWM et SommetsPWMPC (voir sommets_mli).

# Composants : (nom de MCU, groupe). Chaque groupe donne ses timers
# [(numéro, famille, prédiviseurs, {canal: broche})], ses timers sans CTC ni
# sortie (« debordement » : numéros ; base de temps et compteur par le seul
# débordement), ses timers complets sans broche de sortie (« internes » :
# (numéro, famille) ; base de temps en CTC) et ses entrées d'horloge
# [(timer, broche)].
GROUPES = {
    "m8": {
        "timers": [(1, "16b", "normal", {"A": "PB1", "B": "PB2"}),
                   (2, "8b1", "async", {"": "PB3"})],
        "debordement": [0],
        "entrees": [(0, "PD4"), (1, "PD5")],
    },
    "m16": {
        "timers": [(0, "8b1", "normal", {"": "PB3"}),
                   (1, "16b", "normal", {"A": "PD5", "B": "PD4"}),
                   (2, "8b1", "async", {"": "PD7"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m8515": {
        "timers": [(0, "8b1", "normal", {"": "PB0"}),
                   (1, "16b", "normal", {"A": "PD5", "B": "PE2"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m128": {
        "timers": [(0, "8b1", "async", {"": "PB4"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6", "C": "PB7"}),
                   (2, "8b1", "normal", {"": "PB7"}),
                   (3, "16b", "normal", {"A": "PE3", "B": "PE4", "C": "PE5"})],
        "entrees": [(1, "PD6"), (2, "PD7"), (3, "PE6")],
    },
    "m48": {
        "timers": [(0, "8b2", "normal", {"A": "PD6", "B": "PD5"}),
                   (1, "16b", "normal", {"A": "PB1", "B": "PB2"}),
                   (2, "8b2", "async", {"A": "PB3", "B": "PD3"})],
        "entrees": [(0, "PD4"), (1, "PD5")],
    },
    "m164": {
        "timers": [(0, "8b2", "normal", {"A": "PB3", "B": "PB4"}),
                   (1, "16b", "normal", {"A": "PD5", "B": "PD4"}),
                   (2, "8b2", "async", {"A": "PD7", "B": "PD6"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m1284": {
        "timers": [(0, "8b2", "normal", {"A": "PB3", "B": "PB4"}),
                   (1, "16b", "normal", {"A": "PD5", "B": "PD4"}),
                   (2, "8b2", "async", {"A": "PD7", "B": "PD6"}),
                   (3, "16b", "normal", {"A": "PB6", "B": "PB7"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m640": {
        "timers": [(0, "8b2", "normal", {"A": "PB7", "B": "PG5"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6", "C": "PB7"}),
                   (2, "8b2", "async", {"A": "PB4", "B": "PH6"}),
                   (3, "16b", "normal", {"A": "PE3", "B": "PE4", "C": "PE5"}),
                   (4, "16b", "normal", {"A": "PH3", "B": "PH4", "C": "PH5"}),
                   (5, "16b", "normal", {"A": "PL3", "B": "PL4", "C": "PL5"})],
        "entrees": [(0, "PD7"), (1, "PD6"), (3, "PE6"), (4, "PH7"), (5, "PL2")],
    },
    "m32u4": {
        "timers": [(0, "8b2", "normal", {"A": "PB7", "B": "PD0"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6", "C": "PB7"}),
                   (3, "16b", "normal", {"A": "PC6"})],
        "entrees": [(0, "PD7"), (1, "PD6")],
    },
    "m169": {
        "timers": [(0, "8b1A", "normal", {"A": "PB4"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6"}),
                   (2, "8b1A", "async", {"A": "PB7"})],
        "entrees": [(0, "PG4"), (1, "PG3")],
    },
    "can128": {
        "timers": [(0, "8b1A", "normal", {"A": "PB7"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6", "C": "PB7"}),
                   (2, "8b1A", "async", {"A": "PB4"}),
                   (3, "16b", "normal", {"A": "PE3", "B": "PE4", "C": "PE5"})],
        "entrees": [(0, "PD7"), (1, "PD6"), (3, "PE6")],
    },
    "t2313": {
        "timers": [(0, "8b2", "normal", {"A": "PB2", "B": "PD5"}),
                   (1, "16b", "normal", {"A": "PB3", "B": "PB4"})],
        "entrees": [(0, "PD4"), (1, "PD5")],
    },
    "t13": {
        "timers": [(0, "8b2", "normal", {"A": "PB0", "B": "PB1"})],
        "entrees": [(0, "PB2")],
    },
    "t24": {
        "timers": [(0, "8b2", "normal", {"A": "PB2", "B": "PA7"}),
                   (1, "16b", "normal", {"A": "PA6", "B": "PA5"})],
        "entrees": [(0, "PA3"), (1, "PA4")],
    },
}

GROUPES.update({
    "s2313": {"timers": [(1, "16b0", "normal", {"": "PB3"})], "debordement": [0],
              "entrees": [(0, "PD4"), (1, "PD5")]},
    "s2333": {"timers": [(1, "16b0", "normal", {"": "PB1"})], "debordement": [0],
              "entrees": [(0, "PD4"), (1, "PD5")]},
    # OC1B des AT90S4414/8515 est une broche à part (29), sans bit de port : absente.
    "s8515": {"timers": [(1, "16b0", "normal", {"A": "PD5"})], "debordement": [0],
              "entrees": [(0, "PB0"), (1, "PB1")]},
    "s8535": {
        "timers": [(1, "16b0", "normal", {"A": "PD5", "B": "PD4"}),
                   (2, "8b0", "async", {"": "PD7"})],
        "debordement": [0],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m103": {
        "timers": [(0, "8b0", "async", {"": "PB4"}),
                   (1, "16b0", "normal", {"A": "PB5", "B": "PB6"}),
                   (2, "8b0", "normal", {"": "PB7"})],
        "entrees": [(1, "PD6"), (2, "PD7")],
    },
    "m161": {
        "timers": [(0, "8b0", "normal", {"": "PB0"}),
                   (1, "16b0", "normal", {"A": "PD5", "B": "PE2"}),
                   (2, "8b0", "async", {"": "PB1"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m162": {
        "timers": [(0, "8b1", "normal", {"": "PB0"}),
                   (1, "16b", "normal", {"A": "PD5", "B": "PE2"}),
                   (2, "8b1", "async", {"": "PB1"}),
                   (3, "16b", "normal", {"A": "PD4", "B": "PB4"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m163": {
        "timers": [(1, "16b0", "normal", {"A": "PD5", "B": "PD4"}),
                   (2, "8b0", "async", {"": "PD7"})],
        "debordement": [0],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "m323": {
        "timers": [(0, "8b0", "normal", {"": "PB3"}),
                   (1, "16b0", "normal", {"A": "PD5", "B": "PD4"}),
                   (2, "8b0", "async", {"": "PD7"})],
        "entrees": [(0, "PB0"), (1, "PB1")],
    },
    "t26": {"timers": [(1, "hs26", "puissances", {"A": "PB1", "B": "PB3"})], "debordement": [0],
            "entrees": [(0, "PB6")]},
    "t25": {
        "timers": GROUPES["t13"]["timers"] + [(1, "hs25", "puissances", {"A": "PB1", "B": "PB4"})],
        "entrees": GROUPES["t13"]["entrees"],
    },
    "t10": {"timers": [(0, "16b", "normal", {"A": "PB0", "B": "PB1"})], "entrees": [(0, "PB2")]},
    "t88": {"timers": [(1, "16b", "normal", {"A": "PB1", "B": "PB2"})], "entrees": [(1, "PD5")]},
    # Boîtier de 64 broches : ni port H ni port L, donc ni OC2B, ni les sorties des Timer4 et 5.
    "m1281": {
        "timers": [(0, "8b2", "normal", {"A": "PB7", "B": "PG5"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6", "C": "PB7"}),
                   (2, "8b2", "async", {"A": "PB4"}),
                   (3, "16b", "normal", {"A": "PE3", "B": "PE4", "C": "PE5"})],
        "internes": [(4, "16b"), (5, "16b")],
        "entrees": [(0, "PD7"), (1, "PD6"), (3, "PE6")],
    },
    "u2": {
        "timers": [(0, "8b2", "normal", {"A": "PB7", "B": "PD0"}),
                   (1, "16b", "normal", {"A": "PC6", "B": "PC5", "C": "PB7"})],
        "entrees": [],
    },
    "usb1287": {
        "timers": [(0, "8b2", "normal", {"A": "PB7", "B": "PD0"}),
                   (1, "16b", "normal", {"A": "PB5", "B": "PB6", "C": "PB7"}),
                   (2, "8b2", "async", {"A": "PB4", "B": "PD1"}),
                   (3, "16b", "normal", {"A": "PC6", "B": "PC5", "C": "PC4"})],
        "entrees": [(0, "PD7"), (1, "PD6")],
    },
})

COMPOSANTS = [
    ("atmega8", "m8"),
    ("atmega16", "m16"), ("atmega32", "m32"), ("atmega8535", "m16"),
    ("atmega8515", "m8515"),
    ("atmega64", "m128"), ("atmega128", "m128"),
    ("atmega48", "m48"), ("atmega48p", "m48"), ("atmega48pa", "m48"),
    ("atmega88", "m48"), ("atmega88p", "m48"), ("atmega88pa", "m48"),
    ("atmega168", "m48"), ("atmega168p", "m48"), ("atmega168pa", "m48"),
    ("atmega328", "m48"), ("atmega328p", "m48"),
    ("atmega164p", "m164"), ("atmega164pa", "m164"), ("atmega324p", "m164"),
    ("atmega324pa", "m164"), ("atmega644p", "m164"), ("atmega644pa", "m164"),
    ("atmega1284p", "m1284"),
    ("atmega640", "m640"), ("atmega1280", "m640"), ("atmega2560", "m640"),
    ("atmega32u4", "m32u4"),
    ("atmega169", "m169"), ("atmega169p", "m169"),
    ("at90can128", "can128"),
    ("attiny2313", "t2313"), ("attiny2313a", "t2313"), ("attiny4313", "t2313"),
    ("attiny13", "t13"), ("attiny13a", "t13"),
    ("attiny25", "t25"), ("attiny45", "t25"), ("attiny85", "t25"),
    ("attiny24", "t24"), ("attiny44", "t24"), ("attiny84", "t24"),
    ("attiny24a", "t24"), ("attiny44a", "t24"), ("attiny84a", "t24"),
    # Les anciens : AT90S, premiers ATmega, ATtiny26, ATtiny10.
    ("at90s2313", "s2313"), ("at90s2333", "s2333"), ("at90s4433", "s2333"),
    ("at90s4414", "s8515"), ("at90s8515", "s8515"),
    ("at90s4434", "s8535"), ("at90s8535", "s8535"),
    ("atmega103", "m103"), ("atmega161", "m161"), ("atmega162", "m162"),
    ("atmega163", "m163"), ("atmega323", "m323"),
    ("attiny26", "t26"),
    ("attiny4", "t10"), ("attiny5", "t10"), ("attiny9", "t10"), ("attiny10", "t10"),
]
# Composants ajoutés à la liste : mêmes timers et mêmes broches qu'un groupe ci-dessus.
COMPOSANTS += [(m, "m8") for m in ["atmega8a"]]
COMPOSANTS += [(m, "m16") for m in ["atmega16a", "atmega32a"]]
COMPOSANTS += [(m, "m128") for m in ["atmega64a", "atmega128a"]]
COMPOSANTS += [(m, "m48") for m in ["atmega48a", "atmega48pb", "atmega88a", "atmega88pb",
                                    "atmega168a", "atmega168pb"]]
COMPOSANTS += [(m, "m164") for m in ["atmega164a", "atmega324a", "atmega644", "atmega644a"]]
COMPOSANTS += [(m, "m1284") for m in ["atmega1284"]]
COMPOSANTS += [(m, "m1281") for m in ["atmega1281", "atmega2561"]]
COMPOSANTS += [(m, "m32u4") for m in ["atmega16u4"]]
COMPOSANTS += [(m, "m169") for m in [
    "atmega169a", "atmega169pa",
    "atmega165", "atmega165a", "atmega165p", "atmega165pa",
    "atmega325", "atmega325a", "atmega325p", "atmega325pa",
    "atmega3250", "atmega3250a", "atmega3250p", "atmega3250pa",
    "atmega329", "atmega329a", "atmega329p", "atmega329pa",
    "atmega3290", "atmega3290a", "atmega3290p", "atmega3290pa",
    "atmega645", "atmega645a", "atmega645p", "atmega6450", "atmega6450a", "atmega6450p",
    "atmega649", "atmega649a", "atmega649p", "atmega6490", "atmega6490a", "atmega6490p"]]
COMPOSANTS += [(m, "can128") for m in ["at90can32", "at90can64"]]
COMPOSANTS += [(m, "u2") for m in ["at90usb82", "at90usb162", "atmega8u2", "atmega16u2", "atmega32u2"]]
COMPOSANTS += [(m, "usb1287") for m in ["at90usb646", "at90usb647", "at90usb1286", "at90usb1287",
                                        "atmega32u6"]]
COMPOSANTS += [(m, "t88") for m in ["attiny48", "attiny88"]]
# L'ATmega32 a les sorties de l'ATmega16.
GROUPES["m32"] = GROUPES["m16"]

# Blocs d'inclusion du générateur de projet, par genre de périphérique : ceux de la racine servent
# au composant qui n'a pas le sien. Les fonctions sont « static inline » : un projet qui ne les
# appelle pas compile sans avertissement.
PERIPHERIQUES = [
    ("LCD", "#include <util/delay.h>"),
    ("CAN", "#include <avr/io.h>"),
    ("RS232", "#include <avr/io.h>"),
    ("Timers", "#include <avr/interrupt.h>"),
    ("Delay", "#include <util/delay.h>"),
]


def bloc_lcd(c, ports_composant):
    """Afficheur HD44780 en 4 bits sur les six premiers bits du premier port qui les a."""
    for lettre, bits in ports_composant:
        etiquettes = bits.split(",")[::-1]  # bit 0 d'abord
        if all(e != "-" for e in etiquettes[:6]):
            break
    else:
        return "// Pas de port à six broches libres pour un afficheur LCD sur ce microcontrôleur."
    return "\n".join([
        "#include <util/delay.h>",
        "// Afficheur LCD HD44780 en mode 4 bits : D4 à D7 sur P%s0 à P%s3, RS sur P%s4, E sur P%s5," % ((lettre,) * 4),
        "// R/W à la masse.",
        "static inline void lcd_quartet(unsigned char q)",
        "{",
        "\tPORT%s = (PORT%s & 0xF0) | (q & 0x0F);" % (lettre, lettre),
        "\tPORT%s |= (1 << 5);" % lettre,
        "\t_delay_us(1);",
        "\tPORT%s &= ~(1 << 5);" % lettre,
        "\t_delay_us(50);",
        "}",
        "static inline void lcd_envoyer(unsigned char octet, unsigned char donnee)",
        "{",
        "\tif (donnee)",
        "\t\tPORT%s |= (1 << 4);" % lettre,
        "\telse",
        "\t\tPORT%s &= ~(1 << 4);" % lettre,
        "\tlcd_quartet(octet >> 4);",
        "\tlcd_quartet(octet);",
        "}",
        "static inline void lcd_initialiser(void)",
        "{",
        "\tDDR%s |= 0x3F;" % lettre,
        "\t_delay_ms(40);",
        "\tlcd_quartet(0x03);",
        "\t_delay_ms(5);",
        "\tlcd_quartet(0x03);",
        "\t_delay_us(150);",
        "\tlcd_quartet(0x03);",
        "\tlcd_quartet(0x02); // passage en 4 bits",
        "\tlcd_envoyer(0x28, 0); // 2 lignes, caractères 5x8",
        "\tlcd_envoyer(0x0C, 0); // affichage allumé, sans curseur",
        "\tlcd_envoyer(0x01, 0); // effacer",
        "\t_delay_ms(2);",
        "\tlcd_envoyer(0x06, 0); // le curseur avance",
        "}",
        "static inline void lcd_ecrire(const char *texte)",
        "{",
        "\twhile (*texte)",
        "\t\tlcd_envoyer((unsigned char)*texte++, 1);",
        "}",
    ])


def bloc_can(c):
    """Convertisseur analogique-numérique : une conversion, en attendant sa fin."""
    m = c.m
    if "ADMUX" not in m:
        return "// Pas de convertisseur analogique-numérique sur ce microcontrôleur."
    adcsr = "ADCSRA" if "ADCSRA" in m else "ADCSR"
    if any(n not in m for n in [adcsr, "ADEN", "ADSC", "ADPS0", "ADPS1", "ADPS2"]):
        return "// Pas de convertisseur analogique-numérique classique sur ce microcontrôleur."
    if "ADCW" in m:
        lecture = ["\treturn ADCW;"]
    elif "ADC" in m and "_SFR_" in m["ADC"]:
        lecture = ["\treturn ADC;"]
    elif "ADCH" in m:
        # ADCL d'abord : sa lecture fige ADCH jusqu'à ce qu'on le lise.
        lecture = ["\tunsigned int r = ADCL;", "\treturn r | ((unsigned int)ADCH << 8);"]
    else:
        lecture = ["\treturn ADCL; // convertisseur à 8 bits"]
    return "\n".join([
        "// Convertisseur analogique-numérique : référence et entrée choisies par ADMUX, horloge du",
        "// convertisseur à F_CPU / 128 (ou le plus grand diviseur du composant).",
        "static inline unsigned int can_lire(unsigned char voie)",
        "{",
        "\tADMUX = (ADMUX & 0xF0) | (voie & 0x0F);",
        "\t%s = (1 << ADEN) | (1 << ADSC) | (1 << ADPS2) | (1 << ADPS1) | (1 << ADPS0);" % adcsr,
        "\twhile (%s & (1 << ADSC))" % adcsr,
        "\t\t;",
    ] + lecture + ["}"])


def bloc_serie(c):
    """Liaison série à la vitesse BAUD du makefile, par <util/setbaud.h>."""
    m = c.m
    for s in ["0", "", "1"]:
        noms = ["UDR", "UBRR%sH", "UBRR%sL", "UCSR%sA", "UCSR%sB", "U2X", "RXEN", "TXEN", "UDRE", "RXC"]
        if all((n % s if "%s" in n else n + s) in m for n in noms):
            break
    else:
        bloc = bloc_uart(m)
        if bloc:
            return bloc
        return "// Pas de liaison série matérielle (USART) sur ce microcontrôleur."
    ucsra = "UCSR%sA" % s
    lignes = [
        "// Liaison série à %Vitesse% bauds (BAUD du makefile), 8 bits de données, 1 bit de stop.",
        "#ifndef BAUD",
        "#define BAUD %Vitesse%",
        "#endif",
        "#include <util/setbaud.h>",
        "static inline void serie_initialiser(void)",
        "{",
        "\tUBRR%sH = UBRRH_VALUE;" % s,
        "\tUBRR%sL = UBRRL_VALUE;" % s,
        "#if USE_2X",
        "\t%s |= (1 << U2X%s);" % (ucsra, s),
        "#else",
        "\t%s &= ~(1 << U2X%s);" % (ucsra, s),
        "#endif",
        "\tUCSR%sB = (1 << RXEN%s) | (1 << TXEN%s);" % (s, s, s),
        "}",
        "static inline void serie_envoyer(unsigned char octet)",
        "{",
        "\twhile (!(%s & (1 << UDRE%s)))" % (ucsra, s),
        "\t\t;",
        "\tUDR%s = octet;" % s,
        "}",
        "static inline unsigned char serie_recevoir(void)",
        "{",
        "\twhile (!(%s & (1 << RXC%s)))" % (ucsra, s),
        "\t\t;",
        "\treturn UDR%s;" % s,
        "}",
    ]
    return "\n".join(lignes)


def bloc_uart(m):
    """Ancienne UART (AT90S, ATmega161/163) : pas de U2X, des noms à part (UCR et USR, UBRRHI) ;
    le diviseur est calculé ici, sans <util/setbaud.h>. None sans UART."""
    if not all(n in m for n in ["RXEN", "TXEN", "UDRE", "RXC"]):
        return None
    for udr, ubrr, b, a in [("UDR", "UBRR", "UCR", "USR"), ("UDR", "UBRR", "UCSRB", "UCSRA"),
                            ("UDR0", "UBRR0", "UCSR0B", "UCSR0A")]:
        if all(n in m for n in [udr, ubrr, b, a]):
            break
    else:
        return None
    haut = next((h for h in ["UBRRH", "UBRRHI"] if h in m), None)
    lignes = [
        "// Liaison série (UART) : BAUD vient du makefile (BAUD = 9600), 8 bits de données, 1 bit de stop.",
        "#ifndef BAUD",
        "#define BAUD 9600",
        "#endif",
        "#define SERIE_DIVISEUR ((F_CPU + 8UL * (BAUD)) / (16UL * (BAUD)) - 1)",
        "static inline void serie_initialiser(void)",
        "{",
    ]
    if haut:
        lignes.append("\t%s = (unsigned char)(SERIE_DIVISEUR >> 8);" % haut)
    lignes += [
        "\t%s = (unsigned char)SERIE_DIVISEUR;" % ubrr,
        "\t%s = (1 << RXEN) | (1 << TXEN);" % b,
        "}",
        "static inline void serie_envoyer(unsigned char octet)",
        "{",
        "\twhile (!(%s & (1 << UDRE)))" % a,
        "\t\t;",
        "\t%s = octet;" % udr,
        "}",
        "static inline unsigned char serie_recevoir(void)",
        "{",
        "\twhile (!(%s & (1 << RXC)))" % a,
        "\t\t;",
        "\treturn %s;" % udr,
        "}",
    ]
    return "\n".join(lignes)


def xml_peripheriques(c, ports_composant):
    """Blocs propres au composant : les registres changent d'un composant à l'autre."""
    blocs = [("LCD", bloc_lcd(c, ports_composant)), ("CAN", bloc_can(c)), ("RS232", bloc_serie(c))]
    x = ["\t\t<Périphériques>"]
    for genre, texte in blocs:
        x.append("\t\t\t<%s>%s</%s>" % (genre, echapper(texte), genre))
    x.append("\t\t</Périphériques>")
    return x


def macros(avr_gcc, mcu):
    """Macros de <avr/io.h> pour mcu : nom -> texte."""
    sortie = subprocess.run(
        [avr_gcc, "-mmcu=" + mcu, "-E", "-dM", "-x", "c", "-"],
        input="#include <avr/io.h>\n", capture_output=True, text=True, check=True).stdout
    resultat = {}
    for ligne in sortie.splitlines():
        m = re.match(r"#define (\w+) (.*)", ligne)
        if m:
            resultat[m.group(1)] = m.group(2).strip()
    return resultat


class Composant:
    def __init__(self, mcu, m):
        self.mcu = mcu
        self.m = m

    def registre(self, nom):
        if nom not in self.m or "_SFR_" not in self.m[nom]:
            raise SystemExit("%s : registre %s absent des en-têtes" % (self.mcu, nom))
        return nom

    def bit(self, *noms):
        """Masque du premier nom connu : avr-libc garde d'anciens noms pour certains bits
        (CTC10 pour CTC1 sur l'ATmega323)."""
        for nom in noms:
            if nom in self.m and re.fullmatch(r"\d", self.m[nom]):
                return 1 << int(self.m[nom])
        raise SystemExit("%s : bit %s absent des en-têtes" % (self.mcu, "/".join(noms)))

    def premier_registre(self, *noms):
        for nom in noms:
            if nom in self.m and "_SFR_" in self.m[nom]:
                return nom
        raise SystemExit("%s : registre %s absent des en-têtes" % (self.mcu, "/".join(noms)))


def canaux(c, n, famille, canal):
    """Registres, maximum et valeurs de mode (CTC, rapide, phase correcte) d'un canal."""
    b = c.bit
    if famille == "8b0":
        tccr, ocr = c.registre("TCCR%d" % n), c.registre("OCR%d" % n)
        pwm, ctc = b("PWM%d" % n), b("CTC%d" % n)
        c1, c0 = b("COM%d1" % n), b("COM%d0" % n)
        return {"registres": [tccr, "", "", ocr], "max": 255, "top_ctc": ocr, "propres": {tccr: c1 | c0},
                "modes": [[ctc | c0, None, pwm | c1]]}
    if famille == "16b0":
        # « OC1 » des AT90S2313/2333/4433 : ses bits s'appellent COM1A ou COM1
        suffixes = [canal] if canal else ["A", ""]
        a, bb = c.registre("TCCR1A"), c.registre("TCCR1B")
        ocr = c.premier_registre(*["OCR1" + x for x in suffixes])
        c1 = b(*["COM1%s1" % x for x in suffixes])
        c0 = b(*["COM1%s0" % x for x in suffixes])
        ocra = c.premier_registre("OCR1A", "OCR1")
        pwm = b("PWM10") | b("PWM11")
        return {"registres": [a, bb, "", ocr], "max": 65535, "sommet_mli": 1023, "top_ctc": ocra,
                "propres": {a: c1 | c0},
                "modes": [[c0, None, c1 | pwm], [b("CTC1", "CTC10"), None, 0]]}
    if famille == "hs26":
        a, bb = c.registre("TCCR1A"), c.registre("TCCR1B")
        ocr, top = c.registre("OCR1" + canal), c.registre("OCR1C")
        c1, c0 = b("COM1%s1" % canal), b("COM1%s0" % canal)
        return {"registres": [a, bb, top, ocr], "max": 255, "top_ctc": top, "decalage": -1,
                "propres": {a: c1 | c0 | b("PWM1" + canal)},
                "modes": [[c0, b("PWM1" + canal) | c1, None], [b("CTC1"), 0, None]]}
    if famille == "hs25":
        ocr, top = c.registre("OCR1" + canal), c.registre("OCR1C")
        c1, c0 = b("COM1%s1" % canal), b("COM1%s0" % canal)
        pwm, ctc = b("PWM1" + canal), b("CTC1")
        tccr = c.registre("TCCR1")
        if canal == "A":
            return {"registres": [tccr, "", top, ocr], "max": 255, "top_ctc": top, "decalage": 0,
                    "propres": {tccr: c1 | c0 | pwm}, "modes": [[ctc | c0, pwm | c1, None]]}
        gtccr = c.registre("GTCCR")
        return {"registres": [gtccr, tccr, top, ocr], "max": 255, "top_ctc": top,
                "decalage": 0, "propres": {gtccr: c1 | c0 | pwm},
                "modes": [[c0, pwm | c1, None], [ctc, 0, None]]}
    if famille in ("8b1", "8b1A"):
        x = "A" if famille == "8b1A" else ""
        tccr = c.registre("TCCR%d%s" % (n, x))
        ocr = c.registre("OCR%d%s" % (n, x))
        w0, w1 = b("WGM%d0" % n), b("WGM%d1" % n)
        c1, c0 = b("COM%d%s1" % (n, x)), b("COM%d%s0" % (n, x))
        return {"registres": [tccr, "", "", ocr], "max": 255, "top_ctc": ocr, "propres": {tccr: c1 | c0},
                "modes": [[w1 | c0, w0 | w1 | c1, w0 | c1]]}
    a = c.registre("TCCR%dA" % n)
    bb = c.registre("TCCR%dB" % n)
    ocr = c.registre("OCR%d%s" % (n, canal))
    ocra = c.registre("OCR%dA" % n)
    c1, c0 = b("COM%d%s1" % (n, canal)), b("COM%d%s0" % (n, canal))
    w0, w1 = b("WGM%d0" % n), b("WGM%d1" % n)
    if famille == "8b2":
        return {"registres": [a, bb, "", ocr], "max": 255, "top_ctc": ocra, "propres": {a: c1 | c0},
                "modes": [[c0 | w1, c1 | w1 | w0, c1 | w0], [0, 0, 0]]}
    w2, w3 = b("WGM%d2" % n), b("WGM%d3" % n)
    icr = c.registre("ICR%d" % n)
    return {"registres": [a, bb, icr, ocr], "max": 65535, "top_ctc": ocra, "propres": {a: c1 | c0},
            "modes": [[c0, c1 | w1, c1 | w1], [w2, w3 | w2, w3]]}


# --- Sommets des modes MLI : fixes et registres (attributs SommetsFPWM et SommetsPWMPC) ---
# Sommets qu'un canal peut prendre en plus de celui de ValeursPWM, par mode MLI : (sommet, valeurs
# des registres de configuration, bits COM compris, sans les bits CS). Le sommet est un nombre
# (sommet fixe) ou le nom d'un registre ; la valeur WGM est rappelée en commentaire.
def sommets_mli(c, n, famille, canal):
    b = c.bit
    if famille == "8b2" and canal != "A":
        # OCRnA sert de sommet : seul le canal B reste une sortie MLI
        c1, w0, w1, w2 = b("COM%d%s1" % (n, canal)), b("WGM%d0" % n), b("WGM%d1" % n), b("WGM%d2" % n)
        ocra = c.registre("OCR%dA" % n)
        return {"FPWM": [(ocra, [c1 | w1 | w0, w2])],  # WGM 7
                "PWMPC": [(ocra, [c1 | w0, w2])]}  # WGM 5
    if famille == "16b":
        c1 = b("COM%d%s1" % (n, canal))
        w0, w1, w2, w3 = (b("WGM%d%d" % (n, k)) for k in range(4))
        rapide = [(255, [c1 | w0, w2]), (511, [c1 | w1, w2]), (1023, [c1 | w1 | w0, w2])]  # WGM 5, 6, 7
        phase = [(255, [c1 | w0, 0]), (511, [c1 | w1, 0]), (1023, [c1 | w1 | w0, 0])]  # WGM 1, 2, 3
        if canal != "A":
            ocra = c.registre("OCR%dA" % n)
            rapide.append((ocra, [c1 | w1 | w0, w3 | w2]))  # WGM 15
            phase.append((ocra, [c1 | w1 | w0, w3]))  # WGM 11
        return {"FPWM": rapide, "PWMPC": phase}
    return {}


def attributs_sommets(t):
    """« SommetsFPWM="OCR0A: &H23, &H08" » : entrées séparées par « ; »."""
    texte = ""
    for mode, liste in sorted(t.get("sommets", {}).items()):
        entrees = ["%s: %s" % (s, ", ".join(hexa(v) for v in valeurs[:len(t["modes"])])) for s, valeurs in liste]
        texte += ' Sommets%s="%s"' % (mode, "; ".join(entrees))
    return texte
# --- fin des sommets des modes MLI ---
# --- Interruptions des timers (base de temps, compteur) ---

def interruptions(c, n, canal):
    """Vecteurs de comparaison et de débordement du timer n (canal de comparaison canal),
    registre et bits qui les autorisent, tels qu'avr-libc les nomme pour ce composant ;
    None quand les en-têtes ne les donnent pas."""
    def premier(*noms):
        return next((x for x in noms if re.fullmatch(r"_VECTOR\(\d+\)", c.m.get(x, ""))), None)
    x = canal or "A"
    comparaison = premier("TIMER%d_COMP%s_vect" % (n, x), "TIM%d_COMP%s_vect" % (n, x),
                          "TIMER%d_COMP_vect" % n, "TIM%d_COMP_vect" % n, "TIMER%d_CMP%s_vect" % (n, x),
                          "TIMER%d_COMP%d_vect" % (n, n))
    debordement = premier("TIMER%d_OVF_vect" % n, "TIM%d_OVF_vect" % n, "TIMER%d_OVF%d_vect" % (n, n))
    bit_comparaison = next((b for b in ("OCIE%d%s" % (n, x), "OCIE%d" % n) if b in c.m), None)
    bit_debordement = "TOIE%d" % n if "TOIE%d" % n in c.m else None
    # l'ATmega64/128 range les bits du Timer3 dans ETIMSK
    registre = next((r for r in ("TIMSK%d" % n, "ETIMSK" if n == 3 else "", "TIMSK")
                     if r and "_SFR_" in c.m.get(r, "")), None)
    if canal is None:
        # timer sans comparaison : le débordement seul
        comparaison, bit_comparaison = "", ""
    if not (comparaison is not None and debordement and bit_comparaison is not None and bit_debordement
            and registre):
        return None
    return {"vecteurs": [comparaison, debordement], "registre": registre,
            "bits": [bit_comparaison, bit_debordement]}


def attributs_interruptions(t):
    """Attributs Vecteurs, Interruptions et ModeCTC d'un timer : le CTC sans broche est le mode
    CTC de la sortie sans ses bits COM."""
    i = t.get("interruptions")
    if not i:
        return ""
    if t["sortie"] is None and t["modes"][0][0] is None:
        return ' Vecteurs="%s" Interruptions="%s"' % (", ".join(i["vecteurs"]),
                                                        ", ".join([i["registre"]] + i["bits"]))
    ctc = []
    for k, reg in enumerate(t["modes"]):
        v = reg[0]
        if v is None:
            return ""
        ctc.append(hexa(v & ~t["propres"].get(t["registres"][k], 0)))
    return ' Vecteurs="%s" Interruptions="%s" ModeCTC="%s"' % (
        ", ".join(i["vecteurs"]), ", ".join([i["registre"]] + i["bits"]), ", ".join(ctc))


def echapper(t):
    return t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def hexa(v):
    """Valeur d'un mode ; None (mode absent) laisse le champ vide."""
    return "" if v is None else "&H%02X" % v


def decrire(mcu, groupe, c):
    """Timers (un par canal), sorties et entrées d'un composant."""
    timers = []
    sorties = []
    for n, famille, genre, broches in groupe["timers"]:
        for canal, broche in sorted(broches.items()):
            d = canaux(c, n, famille, canal if canal or famille == "16b0" else "A")
            d["sommets"] = sommets_mli(c, n, famille, canal if canal or famille == "16b0" else "A")
            oc = "OC%d%s" % (n, canal)
            # la broche doit exister dans les en-têtes du composant
            c.registre("PORT" + broche[1])
            if "P" + broche[1:] not in c.m and "PORT" + broche[1:] not in c.m:
                raise SystemExit("%s : broche %s absente des en-têtes" % (mcu, broche))
            section = "Timer%d%s" % (n, canal)
            timers.append({
                "numero": n, "section": section, "nom": "Timer%d" % n,
                "famille": famille, "prediv": PREDIVISEURS[genre], **d,
                "sortie": "%s (%s)" % (oc, broche), "port": broche[1], "bit": int(broche[2]),
                "interruptions": interruptions(c, n, canal),
            })
            sorties.append(len(timers) - 1)
    # Timers sans broche de sortie (boîtier réduit), après ceux des sorties : CTC sans broche.
    for n, famille in groupe.get("internes", []):
        d = canaux(c, n, famille, "A")
        timers.append({
            "numero": n, "section": "Timer%d" % n, "nom": "Timer%d" % n, "famille": famille,
            "prediv": PREDIVISEURS["normal"], **d, "sommets": {}, "sortie": None,
            "interruptions": interruptions(c, n, "A"),
        })
    # Timers sans CTC ni sortie, après ceux des sorties : mode normal, débordement seul.
    for n in groupe.get("debordement", []):
        interruptions_n = interruptions(c, n, None)
        if not interruptions_n:
            raise SystemExit("%s : débordement du Timer%d absent des en-têtes" % (mcu, n))
        timers.append({
            "numero": n, "section": "Timer%d" % n, "nom": "Timer%d" % n, "famille": "normal",
            "prediv": PREDIVISEURS["normal"], "registres": [c.registre("TCCR%d" % n), "", "", ""],
            "max": 255, "top_ctc": "", "propres": {}, "modes": [[None, None, None]], "sommets": {},
            "sortie": None, "interruptions": interruptions_n,
        })
    # Bits des autres sorties du même timer dans chaque registre de configuration : le code d'une
    # sortie les garde, pour que deux sorties d'un timer marchent ensemble.
    for t in timers:
        t["garder"] = [0, 0]
        for k, reg in enumerate(t["registres"][:2]):
            for autre in timers:
                if autre is not t and autre["numero"] == t["numero"] and reg:
                    t["garder"][k] |= autre["propres"].get(reg, 0)
    entrees = [("Interne", "11", None)]
    for n, broche in groupe["entrees"]:
        entrees.append(("T%d (%s)" % (n, broche), "%02d" % n, CODE_HORLOGE_EXTERNE))
    return timers, entrees


def ports(c):
    """Ports du composant : nom, étiquettes des bits (bit 7 d'abord)."""
    resultat = []
    for lettre in "ABCDEFGHJKL":
        # un port sans DDRx (port C de l'ATmega103, en sortie seulement) n'a pas de direction à régler
        if "PORT" + lettre not in c.m or "DDR" + lettre not in c.m:
            continue
        bits = []
        for k in range(7, -1, -1):
            present = ("P%s%d" % (lettre, k)) in c.m or ("PORT%s%d" % (lettre, k)) in c.m
            bits.append("P%s%d" % (lettre, k) if present else "-")
        resultat.append((lettre, ",".join(bits)))
    return resultat


def modele(timers):
    """Texte du modèle de code : une section par timer, de « Code PWM » à « Fin »."""
    lignes = ["Modèle de code des timers.",
              "Chaque section va de sa ligne « Code PWM » à la ligne « Fin ».", ""]
    for t in timers:
        if t["sortie"] is None:
            continue
        n = t["numero"]
        regs = t["registres"]
        lignes += [
            "Code PWM " + t["section"],
            "void InitMLI_%s(void)" % t["sortie"].split()[0],
            "{",
            "\t// MLI sur " + t["sortie"],
            "\t// Entrée d'horloge :",
            "\t// F :",
            "\t// T :",
            "\t// RC :",
            "\t// Ton :",
            "\t// Toff :",
            "\t// Écart :",
            "\t// Sommet :",
            "\tDDR%s |= (1 << %d); // %s en sortie" % (t["port"], t["bit"], t["sortie"]),
        ]
        # sommet et comparaison d'abord : le registre qui porte les bits CS démarre l'horloge
        ecrits = []
        for r in [regs[2], t["top_ctc"], regs[3]]:
            if r and r not in ecrits:
                ecrits.append(r)
        for r in ecrits:
            lignes.append("\t%s=;" % r)
        lignes.append("\t%s=;" % regs[0])
        if regs[1]:
            lignes.append("\t%s=;" % regs[1])
        lignes += ["}", "Fin", ""]
    lignes.append("Fin Fichier")
    return "\n".join(lignes) + "\n"


def xml_composant(mcu, timers, entrees, nom_modele, c):
    t0 = timers[0]
    nb_prediv = max(len(t["prediv"]) for t in timers)
    nb_config = max(len(t["modes"]) for t in timers)
    # diviseurs de l'ancienne forme : ceux du timer par défaut en MLI rapide
    div_min = t0["prediv"][-1] * (t0["max"] + 1)
    div_max = t0["prediv"][0] * 2
    x = ['\t<Processeur Nom="%s">' % mcu,
         "\t\t<ModèleDeCode>%s</ModèleDeCode>" % echapper(nom_modele),
         '\t\t<Timers NombreTimer="%d" NombreMaxRegistre="4" NombreMaxPrédivision="%d" '
         'NombreMaxRegistreConfiguration="%d">' % (len(timers), nb_prediv, nb_config)]
    for t in timers:
        attributs = 'Nom="%s" Section="%s"' % (t["nom"], t["section"])
        if t["top_ctc"] != t["registres"][3]:
            attributs += ' TopCTC="%s"' % t["top_ctc"]
        if "sommet_mli" in t:
            attributs += ' SommetMLI="%d"' % t["sommet_mli"]
        if t.get("decalage", 1) != 1:
            attributs += ' DécalageRapide="%d"' % t["decalage"]
        if any(t["garder"]):
            attributs += ' Garder="%s"' % ", ".join(hexa(g) for g in t["garder"][:len(t["modes"])])
        attributs += attributs_sommets(t)
        attributs += attributs_interruptions(t)
        valeurs = [hexa(v) for reg in t["modes"] for v in reg]
        x += ["\t\t\t<Timer %s>" % attributs,
              "\t\t\t\t<Registre>%s</Registre>" % ", ".join(t["registres"]),
              "\t\t\t\t<Prédivision>Interne, %s</Prédivision>" % ", ".join(str(p) for p in t["prediv"]),
              "\t\t\t\t<Max>%d</Max>" % t["max"],
              "\t\t\t\t<ValeursPWM>%d, %s</ValeursPWM>" % (len(t["modes"]), echapper(", ".join(valeurs))),
              "\t\t\t</Timer>"]
    x += ["\t\t</Timers>",
          "\t\t<MLI>",
          "\t\t\t<DiviseurFmin>%d</DiviseurFmin>" % div_min,
          "\t\t\t<DiviseurFmax>%d</DiviseurFmax>" % div_max,
          '\t\t\t<TimerParDéfaut Numéro="0">%s</TimerParDéfaut>' % t0["section"],
          "\t\t\t<EntréeSortie>",
          "\t\t\t\t<NombreDeSortie>%d</NombreDeSortie>" % sum(1 for t in timers if t["sortie"])]
    for i, t in enumerate(timers):
        if t["sortie"] is None:
            continue
        x.append('\t\t\t\t<Sortie Timer="%02d" IndexTimer="%d" Port="%s" Bit="%d">%s</Sortie>'
                 % (t["numero"], i, t["port"], t["bit"], t["sortie"]))
    x.append("\t\t\t\t<NombreDEntrée>%d</NombreDEntrée>" % len(entrees))
    for texte, code, cs in entrees:
        extra = ' CodeHorloge="%d"' % cs if cs is not None else ""
        x.append('\t\t\t\t<EntréeDHorloge Timer="%s"%s>%s</EntréeDHorloge>' % (code, extra, echapper(texte)))
    x += ["\t\t\t</EntréeSortie>", "\t\t</MLI>", "\t\t<Ports>"]
    for lettre, bits in ports(c):
        x.append('\t\t\t<Port Nom="%s" Bits="%s" PullUp="%s" />' % (lettre, bits, bits))
    x.append("\t\t</Ports>")
    x += xml_peripheriques(c, ports(c))
    x.append("\t</Processeur>")
    return x


def generer(avr_gcc):
    """Rend {chemin relatif à data/: texte}."""
    fichiers = {}
    xml = ['<?xml version="1.0" encoding="UTF-8"?>', "<DONNEES>"]
    modeles = {}  # texte -> nom
    # Un préprocesseur par composant : lancés ensemble, l'ordre du fichier reste celui de la liste.
    with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
        tous = list(pool.map(lambda mg: macros(avr_gcc, mg[0]), COMPOSANTS))
    for (mcu, nom_groupe), m in zip(COMPOSANTS, tous):
        c = Composant(mcu, m)
        timers, entrees = decrire(mcu, GROUPES[nom_groupe], c)
        # un modèle par contenu : les composants aux mêmes sorties le partagent
        texte = modele(timers)
        if texte not in modeles:
            modeles[texte] = "MLI %s.txt" % mcu
        xml += xml_composant(mcu, timers, entrees, modeles[texte], c)
    xml.append("\t<Périphériques>")
    for genre, texte in PERIPHERIQUES:
        xml.append("\t\t<%s>%s</%s>" % (genre, echapper(texte), genre))
    xml += ["\t</Périphériques>", "</DONNEES>"]
    fichiers["Configuration.xml"] = "\n".join(xml) + "\n"
    for texte, nom in modeles.items():
        fichiers[os.path.join("Modèle", nom)] = texte
    return fichiers


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--sortie", default=os.path.join(RACINE, "data"))
    p.add_argument("--avr-gcc", default="avr-gcc")
    a = p.parse_args()
    for chemin, texte in sorted(generer(a.avr_gcc).items()):
        complet = os.path.join(a.sortie, chemin)
        os.makedirs(os.path.dirname(complet), exist_ok=True)
        with open(complet, "w", encoding="utf-8", newline="\n") as f:
            f.write(texte)
    return 0


if __name__ == "__main__":
    sys.exit(main())
