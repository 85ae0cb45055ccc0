# ===========================================================================
#  Makefile d'un projet C pour microcontrôleur AVR (avr-gcc, avr-libc, avrdude)
# ===========================================================================
#
# Ce fichier est écrit par la fenêtre de configuration de Quillon à partir
# de sa configuration par défaut (Modèle/makefile.rtf). Il se lit aussi comme
# un makefile ordinaire de GNU make.
#
# Cibles :
#   make all       compile toutes les sources C du dossier du projet et
#                  produit le fichier .elf, l'image de la flash et celle de
#                  l'EEPROM (c'est la cible par défaut : « make » suffit) ;
#   make clean     efface tous les fichiers produits par la compilation, et
#                  eux seuls : les sources restent ;
#   make program   écrit l'image de la flash dans le microcontrôleur avec
#                  avrdude (compile d'abord si besoin) ;
#   make coff      fichier COFF pour AVR Studio (voir CompilCoff plus bas) ;
#   make extcoff   fichier COFF étendu pour AVR Studio.
#
# Les réglages sont les lignes « NOM = valeur » qui suivent. Chacun tient
# sur une seule ligne qui commence par son nom, et rien ne suit la valeur :
# la fenêtre de configuration retrouve le réglage par son nom et réécrit
# tout le reste de la ligne.
#
# Limites de GNU make : le dossier du projet peut contenir des blancs et des
# accents (tout se fait dans ce dossier, avec des noms relatifs), mais le nom
# du projet et ceux des fichiers sources ne doivent pas contenir de blanc ;
# les dossiers d'inclusion non plus, car leur liste est séparée par des
# blancs.


# ---------------------------------------------------------------------------
#  Réglages du projet
# ---------------------------------------------------------------------------

# Microcontrôleur visé, en minuscules, tel qu'avr-gcc le connaît dans son
# option -mmcu (atmega8, atmega16, attiny2313...). Il choisit le jeu
# d'instructions, la taille des mémoires et les registres vus par
# <avr/io.h>.
MCU = atmega8

# Fréquence de l'horloge du microcontrôleur, en hertz, sans unité
# (8000000 pour 8 MHz). Elle est passée aux sources par -DF_CPU=...UL :
# <util/delay.h> et <util/setbaud.h> en ont besoin pour compter juste.
# Elle doit être celle du quartz ou de l'oscillateur choisi par les fusibles.
F_CPU = 8000000

# Vitesse de la liaison série en bauds (9600, 19200...), écrite par
# l'assistant. Laissée vide, rien n'est défini ; sinon les sources reçoivent
# -DBAUD=... pour <util/setbaud.h>.
BAUD =

# Nom du projet : les fichiers produits s'appellent ainsi (.elf, .hex...).
# Toutes les sources .c du dossier sont compilées, quel que soit ce nom.
TARGET = main

# Niveau d'optimisation d'avr-gcc : 0 (aucune), 1, 2, 3 (vitesse) ou s
# (taille, le choix habituel sur un AVR). Avec 0, les attentes de
# <util/delay.h> ne durent plus le temps demandé.
OPT = s

# Format de l'image de la flash et de l'EEPROM : ihex (Intel Hex, fichier
# .hex), srec (Motorola S-record, fichier .srec) ou binary (fichier .bin).
FORMAT = ihex

# Format des informations de débogage mises dans le .elf : dwarf-2 (celui
# que lisent avr-gdb et les simulateurs récents) ou stabs (l'ancien format,
# nécessaire pour produire un fichier COFF).
DEBUG = dwarf-2

# Fichier COFF pour les anciennes versions d'AVR Studio : coff, extcoff
# (COFF étendu, AVR Studio 4.07 et suivants) ou rien. Il se fait à partir
# du .elf compilé en stabs. Un avr-objcopy qui ne sait pas écrire ce format
# (celui de Debian, par exemple) le signale et la compilation continue.
CompilCoff =

# Affichage de la place prise en flash et en RAM à la fin de la
# compilation (avr-size) : OccupationMemoire pour l'afficher, rien sinon.
AffichageMemoire = OccupationMemoire

# Dossiers d'inclusion en plus, séparés par des blancs, avec / comme
# séparateur (c:/avr/lib/include ../commun). Chacun est passé à avr-gcc
# par -I.
EXTRAINCDIRS =

# Dossier des outils AVR, avec / comme séparateur (c:/WinAVR). Les outils
# sont pris dans son sous-dossier bin ; laissé vide, ils sont cherchés dans
# le PATH. Ce dossier peut contenir des blancs.
DIRAVR =

# Programmateur utilisé par avrdude (option -c) : usbasp, usbtiny,
# stk500v2, arduino, avrisp... « avrdude -c ? » donne la liste complète ;
# avrisp et stk500 se branchent sur un port série.
AVRDUDE_PROGRAMMER = usbasp

# Port où est branché le programmateur (option -P) : usb pour un
# programmateur USB (USBasp, USBtinyISP...) ; /dev/ttyUSB0 ou
# /dev/ttyACM0 pour un programmateur série ou un Arduino sous Linux ; com1
# à com4, lpt1 à lpt3 sous Windows.
AVRDUDE_PORT = usb

# Options complètes d'avrdude : -p le microcontrôleur sous le nom court
# qu'avrdude lui donne (m8 pour l'ATmega8, « avrdude -p ? » donne la
# liste), -P le port et -c le programmateur réglés ci-dessus. La fenêtre
# de configuration la réécrit à chaque changement de microcontrôleur.
AVRDUDE_FLAGS = -p m8 -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)

# 1 : au lancement d'AVR Studio, Quillon lui fait ouvrir le projet
# (fichier NomDuProjet_elf.aps) ; 0 : AVR Studio est lancé sans projet.
# Ce réglage ne sert pas à make.
AVRStudioExclusif = 0


# ---------------------------------------------------------------------------
#  Réglages avancés
# ---------------------------------------------------------------------------

# Options de compilation en plus (-Wextra, -DMA_CONSTANTE=1...).
OPTIONS_COMPILATION :=

# Options d'édition des liens en plus (-Wl,-u,vfprintf -lprintf_flt pour
# un printf qui affiche les nombres à virgule).
OPTIONS_EDITION :=

# Mettre 1 pour que « make program » écrive aussi l'EEPROM.
ECRIRE_EEPROM :=


# ---------------------------------------------------------------------------
#  Ce qui suit n'a normalement pas à être modifié
# ---------------------------------------------------------------------------

# Les valeurs écrites par la fenêtre de configuration peuvent finir par un
# blanc et les chemins arriver sous leur forme Windows (\) : on les nettoie
# une fois pour toutes.
PROJET := $(strip $(TARGET))
MICRO := $(strip $(MCU))
# F_CPU peut porter un suffixe d'entier du C (8000000UL, 8000000L) : -DF_CPU=...UL le remet.
HORLOGE := $(strip $(subst L,,$(subst l,,$(subst U,,$(subst u,,$(F_CPU))))))
VITESSE_SERIE := $(strip $(BAUD))
NIVEAU_OPTIMISATION := $(strip $(OPT))
FORMAT_IMAGE := $(strip $(FORMAT))
FORMAT_DEBOGAGE := $(strip $(DEBUG))
# CompilCoff se lit sans égard à la casse, comme le fait la fenêtre de
# configuration.
DEMANDE_COFF := $(strip $(subst C,c,$(subst O,o,$(subst F,f,$(subst E,e,$(subst X,x,$(subst T,t,$(CompilCoff))))))))
DEMANDE_TAILLE := $(strip $(AffichageMemoire))
INCLUSIONS := $(subst \,/,$(EXTRAINCDIRS))
DOSSIER_OUTILS := $(strip $(subst \,/,$(DIRAVR)))

# Outils : ceux de DIRAVR/bin quand il est donné, sinon ceux du PATH. Les
# guillemets laissent passer un dossier d'outils qui contient des blancs.
outil = $(if $(DOSSIER_OUTILS),"$(DOSSIER_OUTILS)/bin/$(1)",$(1))
CC := $(call outil,avr-gcc)
OBJCOPY := $(call outil,avr-objcopy)
OBJDUMP := $(call outil,avr-objdump)
SIZE := $(call outil,avr-size)
AVRDUDE := $(call outil,avrdude)
RM := rm -f

# Toutes les sources C du dossier du projet, et ce qu'elles deviennent.
SOURCES := $(sort $(wildcard *.c))
OBJETS := $(SOURCES:.c=.o)
DEPENDANCES := $(SOURCES:.c=.d)

# Fichiers produits, nommés d'après le projet. L'extension de l'image et la
# lettre qu'avrdude attend pour le format (-U flash:w:fichier:lettre)
# suivent FORMAT ; un format inconnu garde son nom et laisse avrdude
# deviner.
ifeq ($(FORMAT_IMAGE),ihex)
  EXTENSION_IMAGE := hex
  LETTRE_AVRDUDE := i
else ifeq ($(FORMAT_IMAGE),srec)
  EXTENSION_IMAGE := srec
  LETTRE_AVRDUDE := s
else ifeq ($(FORMAT_IMAGE),binary)
  EXTENSION_IMAGE := bin
  LETTRE_AVRDUDE := r
else
  EXTENSION_IMAGE := $(FORMAT_IMAGE)
  LETTRE_AVRDUDE := a
endif
ELF := $(PROJET).elf
IMAGE := $(PROJET).$(EXTENSION_IMAGE)
EEPROM := $(PROJET).eep
CARTE := $(PROJET).map
LISTING := $(PROJET).lss
FICHIER_COFF := $(PROJET).cof
# Tout ce que « make clean » efface : les images des trois formats, car
# FORMAT a pu changer depuis la dernière compilation. Un nom de projet avec
# un blanc, que la compilation refuse, est mis entre guillemets pour ne pas
# effacer un autre fichier.
EXTENSIONS_PRODUITS := .elf .hex .srec .bin .eep .map .lss .cof
ifeq ($(words $(PROJET)),1)
  PRODUITS := $(addprefix $(PROJET),$(EXTENSIONS_PRODUITS))
else ifneq ($(PROJET),)
  PRODUITS := $(foreach e,$(EXTENSIONS_PRODUITS),"$(PROJET)$(e)")
endif
PRODUITS += $(OBJETS) $(DEPENDANCES)

# Options d'avr-gcc.
DEFINITIONS :=
ifneq ($(HORLOGE),)
  DEFINITIONS += -DF_CPU=$(HORLOGE)UL
endif
ifneq ($(VITESSE_SERIE),)
  DEFINITIONS += -DBAUD=$(VITESSE_SERIE)
endif
OPTIONS_CC := -mmcu=$(MICRO) $(DEFINITIONS) -O$(NIVEAU_OPTIMISATION) \
              -g$(FORMAT_DEBOGAGE) -std=gnu99 -Wall -Wstrict-prototypes \
              -funsigned-char -funsigned-bitfields -fshort-enums \
              -ffunction-sections -fdata-sections \
              $(addprefix -I,$(INCLUSIONS)) $(OPTIONS_COMPILATION)
# --gc-sections retire les fonctions jamais appelées ; la carte (.map)
# montre où chaque objet a été placé.
OPTIONS_LIENS := -Wl,-Map=$(CARTE),--cref -Wl,--gc-sections \
                 $(OPTIONS_EDITION) -lm

# Conversion du .elf en COFF : AVR Studio compte les adresses de la RAM et
# de l'EEPROM à partir de 0, avr-gcc à partir de 0x800000 et 0x810000.
CONVERSION_COFF := --debugging \
                   --change-section-address .data-0x800000 \
                   --change-section-address .bss-0x800000 \
                   --change-section-address .noinit-0x800000 \
                   --change-section-address .eeprom-0x810000

# Options d'avrdude pour « make program ».
ECRITURE_AVRDUDE := -U flash:w:$(IMAGE):$(LETTRE_AVRDUDE)
ifneq ($(strip $(ECRIRE_EEPROM)),)
  ECRITURE_AVRDUDE += -U eeprom:w:$(EEPROM):$(LETTRE_AVRDUDE)
endif

# Ce que « make all » fait en plus des fichiers de base. « make coff » ou
# « make extcoff » lancés à la main l'emportent sur CompilCoff.
ETAPES_EN_PLUS :=
ifneq ($(filter coff extcoff,$(MAKECMDGOALS)),)
  DEMANDE_COFF := $(lastword $(filter coff extcoff,$(MAKECMDGOALS)))
endif
ifneq ($(filter coff extcoff,$(DEMANDE_COFF)),)
  ETAPES_EN_PLUS += $(DEMANDE_COFF)
else ifneq ($(DEMANDE_COFF),)
  $(warning CompilCoff vaut "$(DEMANDE_COFF)" : seuls coff et extcoff sont compris, pas de fichier COFF.)
endif
ifneq ($(DEMANDE_TAILLE)$(filter occupation,$(MAKECMDGOALS)),)
  ETAPES_EN_PLUS += occupation
endif
FORMAT_COFF_coff := coff-avr
FORMAT_COFF_extcoff := coff-ext-avr
# Ce que savent avr-objcopy et avr-size, demandé seulement quand il le faut.
ifneq ($(filter coff extcoff,$(ETAPES_EN_PLUS)),)
  AIDE_OBJCOPY := $(shell $(OBJCOPY) --help 2>&1)
endif
ifneq ($(filter occupation,$(ETAPES_EN_PLUS)),)
  AIDE_SIZE := $(shell $(SIZE) --help 2>&1)
endif

# Vérifications qui évitent des erreurs obscures plus loin ; « make clean »
# doit toujours marcher, il n'est pas concerné.
ifneq ($(filter-out clean,$(or $(MAKECMDGOALS),all)),)
  ifeq ($(PROJET),)
    $(error Aucun nom de projet (TARGET))
  endif
  ifneq ($(words $(PROJET)),1)
    $(error Le nom du projet (TARGET) doit etre un seul mot, sans blanc : "$(PROJET)")
  endif
  ifeq ($(MICRO),)
    $(error Aucun microcontroleur choisi (MCU))
  endif
  ifeq ($(SOURCES),)
    $(error Aucun fichier source .c dans ce dossier)
  endif
  ifneq ($(wildcard *\ *.c),)
    $(error GNU make ne sait pas compiler un fichier dont le nom contient un blanc : renommez "$(wildcard *\ *.c)")
  endif
endif


# Sans nom avrdude pour le microcontrôleur (« ND », ou rien après -p),
# avrdude refuserait la commande avec un message moins clair.
ifneq ($(filter program,$(MAKECMDGOALS)),)
  ifneq ($(filter ND,$(AVRDUDE_FLAGS))$(and $(filter -p,$(firstword $(AVRDUDE_FLAGS))),$(filter -%,$(word 2,$(AVRDUDE_FLAGS)))),)
    $(error avrdude ne connait pas de nom pour $(MICRO) : mettez le sien apres -p dans les options d'avrdude)
  endif
endif


# ---------------------------------------------------------------------------
#  Règles
# ---------------------------------------------------------------------------

# Pas de règles implicites de make : seules celles d'ici servent.
.SUFFIXES:
# Un fichier à moitié écrit par une commande qui échoue est effacé.
.DELETE_ON_ERROR:
.PHONY: all clean program coff extcoff occupation

all: $(ELF) $(IMAGE) $(EEPROM) $(LISTING) $(ETAPES_EN_PLUS)

# Chaque source devient un objet ; -MMD -MP écrit à côté la liste des
# en-têtes qu'elle inclut, pour recompiler quand l'un d'eux change. Les
# objets dépendent aussi de ce makefile : changer de microcontrôleur, de
# fréquence ou d'optimisation recompile tout.
%.o: %.c $(firstword $(MAKEFILE_LIST))
	@echo "Compilation de $<"
	$(CC) -c $(OPTIONS_CC) -MMD -MP $< -o $@

$(ELF): $(OBJETS)
	@echo "Edition des liens : $@"
	$(CC) $(OPTIONS_CC) $(OBJETS) -o $@ $(OPTIONS_LIENS)

# L'image de la flash : tout sauf l'EEPROM, les fusibles, le verrou et la
# signature, qui ne se programment pas avec elle.
$(IMAGE): $(ELF)
	@echo "Image de la flash ($(FORMAT_IMAGE)) : $@"
	$(OBJCOPY) -O $(FORMAT_IMAGE) -R .eeprom -R .fuse -R .lock -R .signature $< $@

# L'image de l'EEPROM, vide quand le programme n'y place rien.
$(EEPROM): $(ELF)
	@echo "Image de l'EEPROM ($(FORMAT_IMAGE)) : $@"
	$(OBJCOPY) -O $(FORMAT_IMAGE) -j .eeprom --set-section-flags=.eeprom=alloc,load \
		--change-section-lma .eeprom=0 --no-change-warnings $< $@

# Le programme désassemblé, mêlé aux lignes C quand le débogage le permet.
$(LISTING): $(ELF)
	$(OBJDUMP) -h -S $< > $@

# Le COFF n'est écrit que par un avr-objcopy qui connaît ce format : on le
# lui demande plutôt que de laisser la commande échouer.
coff extcoff: $(ELF)
ifneq ($(findstring $(FORMAT_COFF_$(DEMANDE_COFF)),$(AIDE_OBJCOPY)),)
	@echo "Fichier COFF pour AVR Studio ($(DEMANDE_COFF)) : $(FICHIER_COFF)"
	$(OBJCOPY) $(CONVERSION_COFF) -O $(FORMAT_COFF_$(DEMANDE_COFF)) $< $(FICHIER_COFF)
else
	@echo "Attention : cet avr-objcopy ne sait pas convertir au format $(FORMAT_COFF_$(DEMANDE_COFF)) :"
	@echo "$(FICHIER_COFF) n'est pas produit. Le reste de la compilation est bon, et les"
	@echo "versions recentes d'AVR Studio 4 ouvrent directement $(ELF) (debogage dwarf-2)."
endif

# La place prise, en dernier. Le format « avr » d'avr-size (pourcentages
# de la flash et de la RAM du microcontrôleur) n'existe pas dans toutes
# les versions : sans lui, les tailles brutes des sections.
occupation: $(ELF) $(IMAGE) $(EEPROM)
	@echo "Occupation de la memoire :"
ifneq ($(findstring --mcu,$(AIDE_SIZE)),)
	$(SIZE) --format=avr --mcu=$(MICRO) $(ELF)
else
	$(SIZE) $(ELF)
endif

program: $(IMAGE) $(if $(strip $(ECRIRE_EEPROM)),$(EEPROM))
	$(AVRDUDE) $(AVRDUDE_FLAGS) $(ECRITURE_AVRDUDE)

clean:
	$(RM) $(PRODUITS)

# Les en-têtes dont dépend chaque objet, connus après sa première
# compilation.
-include $(DEPENDANCES)
