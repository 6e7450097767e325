#include "cli/cli_texts.h"

namespace {

constexpr const char* kUsageEnglish =
    R"(Usage:
  kznload-cli load --type NAME (--version LABEL | --file PATH) [--port N] [--device PATH]
                   [--keep-user-data] [--lang fr|en] [--answer yes|no] [--catalogue DIR]
  kznload-cli list [--lang fr|en] [--catalogue DIR]
  kznload-cli info FILE
  kznload-cli load --type NAME (--version LABEL | --file PATH) [--port N,N...]
                   [--device N=PATH]... [--watch | --watch-folder DIR] [...]
  kznload-cli ports
  kznload-cli journal [--json] [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--port N]
  kznload-cli --version | --help [--lang fr|en]

Writes a program or a language version into a GPS receiver over a serial line, with the
receiver catalogue chgt.cfg and the language files of the catalogue folder: the current
directory when it holds chgt.cfg, else the folder the desktop program was last pointed at.

  load    --type NAME        receiver type, by its name as `list` shows it
          --version LABEL    language version, by its label in the running language
          --file PATH        send this file instead (expert mode)
          --port N           serial port 1 to 4 (default 1)
          --device PATH      device of that port (default: "COMMUNICATION"/"COMn" of the
                             settings, else the n-th of /dev/ttyUSB*, ttyACM*, ttyS*)
          --keep-user-data   the receiver keeps its user data (second family)
          --lang fr|en       language of the messages (default: the stored one, else en)
          --answer yes|no    answers every question; without it questions are asked on a terminal;
                             with nobody to answer, 108 and 115 are answered Yes (stop)
                             and an unfinished load (134) stops before anything is sent
          --port N,N...      several ports in one run, each loaded at the same time
          --device N=PATH    the device of port N (1 to 99), once per port; the port
                             number keeps that receiver's marker and table dump
          --watch            load every serial adapter that appears, until Ctrl+C; each
                             keeps a port number of its own (from 5) in the settings
          --watch-folder DIR the same, for the serial devices and by-id links in DIR
          --catalogue DIR    the catalogue folder to use
  list    every receiver type with its family tag and its language versions
          (type lines: NAME<TAB>TAG; version lines: <TAB>LABEL<TAB>FILE<TAB>VERSION)
  info    the header record of FILE: form, counted length, version text
  ports   the serial devices (USB vendor, product, serial number, /dev/serial/by-id name)
          and the device each of COM1 to COM4 leads to

Standard output holds the messages, one "[NNN] text" line each (NNN from 101 to 146 in
both languages; a multi-line message goes on over the following lines), "[answer] Yes"
or "[answer] No" after a question, "[serial] text" and "[file] text" for the serial
port's and the file reader's own messages; a load stopped where no box tells it ends with
"[cancelled] text", one refused in the program's own words with "[refused] text". Every load
is recorded in the journal of loads (`journal` shows it). Progress goes to standard error. Ctrl+C is the cancel button; a second
Ctrl+C while the question is open answers it No; with no terminal and no --answer it counts
as confirmed. SIGTERM and SIGHUP stop a load as a confirmed cancel.

A run of several ports asks nothing (--answer, or the answers that lose nothing); each
message line starts with its port ("COM2: [123] ..."), standard error has one live line per
port on a terminal, else lines with a time stamp and the port; a summary table ends it.

Exit status: 0 loaded (every port, in a run of several), 1 failed, refused or cancelled, 2
usage error (bad option, unknown type or version, missing file).

Examples:
  kznload-cli list --lang en
  kznload-cli load --type VR540 --version "English version" --port 2
  kznload-cli load --type TK20B --file ./TK20B.gb --device /dev/ttyUSB0 --answer no
  kznload-cli load --type TK10B --version "English version" --port 1,2,3,4
  kznload-cli load --type VR540 --file VR540.gb --device 5=/dev/ttyUSB0 --device 6=/dev/ttyUSB1
  kznload-cli info VR540.gb
  kznload-cli ports
  kznload-cli journal --since 2026-12-01 --port 2
)";

constexpr const char* kUsageFrench =
    R"(Utilisation :
  kznload-cli load --type NOM (--version LIBELLÉ | --file CHEMIN) [--port N]
                   [--device CHEMIN] [--keep-user-data] [--lang fr|en] [--answer yes|no]
                   [--catalogue DOSSIER]
  kznload-cli list [--lang fr|en] [--catalogue DOSSIER]
  kznload-cli info FICHIER
  kznload-cli load --type NOM (--version LIBELLÉ | --file CHEMIN) [--port N,N...]
                   [--device N=CHEMIN]... [--watch | --watch-folder DOSSIER] [...]
  kznload-cli ports
  kznload-cli journal [--json] [--since AAAA-MM-JJ] [--until AAAA-MM-JJ] [--port N]
  kznload-cli --version | --help [--lang fr|en]

Écrit un programme ou une version de langue dans un récepteur GPS par une liaison série,
avec le catalogue des récepteurs chgt.cfg et les fichiers de langue du dossier du
catalogue : le dossier courant quand il contient chgt.cfg, sinon le dossier indiqué en
dernier au programme à fenêtres.

  load    --type NOM         type de récepteur, par son nom tel que `list` le montre
          --version LIBELLÉ  version de langue, par son libellé dans la langue choisie
          --file CHEMIN      envoie ce fichier à la place (mode expert)
          --port N           port série 1 à 4 (1 par défaut)
          --device CHEMIN    périphérique de ce port (par défaut : "COMMUNICATION"/"COMn"
                             des réglages, sinon le n-ième de /dev/ttyUSB*, ttyACM*, ttyS*)
          --keep-user-data   le récepteur garde ses données utilisateur (seconde famille)
          --lang fr|en       langue des messages (par défaut : celle enregistrée, sinon en)
          --answer yes|no    répond à toutes les questions ; sans elle, elles sont posées
                             au terminal ; sans personne pour répondre, 108 et 115 ont
                             Oui (arrêt) et un chargement inachevé (134) s'arrête avant
                             tout envoi
          --port N,N...      plusieurs ports en un passage, chargés en même temps
          --device N=CHEMIN  le périphérique du port N (1 à 99), une fois par port ; le
                             numéro garde le marqueur et la copie des tables du récepteur
          --watch            charge chaque adaptateur série qui apparaît, jusqu'à Ctrl+C ;
                             chacun garde son propre numéro de port (dès 5) dans les réglages
          --watch-folder DOSSIER  de même, pour les périphériques série de DOSSIER
          --catalogue DOSSIER  le dossier du catalogue à utiliser
  list    chaque type de récepteur avec sa famille et ses versions de langue
          (lignes de type : NOM<TAB>FAMILLE ; lignes de version :
          <TAB>LIBELLÉ<TAB>FICHIER<TAB>VERSION)
  info    l'enregistrement d'en-tête de FICHIER : forme, longueur comptée, texte de version
  ports   les périphériques série (fabricant, produit et numéro de série USB, nom sous
          /dev/serial/by-id) et le périphérique de chacun des ports COM1 à COM4

La sortie standard porte les messages, une ligne "[NNN] texte" chacun (NNN de 101 à 146
dans les deux langues ; un message de plusieurs lignes continue sur les suivantes),
"[answer] Yes" ou "[answer] No" après une question, "[serial] texte" et "[file] texte"
pour les messages propres au port série et à la lecture des fichiers ; un chargement
arrêté sans message se termine par "[cancelled] texte", un chargement refusé avec ses propres
mots par "[refused] texte". Chaque chargement est noté au journal (voir `journal`). La progression va sur la sortie
d'erreur. Ctrl+C est le bouton Annuler ; un second Ctrl+C pendant la question y répond
Non ; sans terminal et sans --answer, il vaut confirmation. SIGTERM et SIGHUP arrêtent un
chargement comme une annulation confirmée.

Un passage sur plusieurs ports ne pose aucune question (--answer, ou les réponses qui ne
perdent rien) ; chaque ligne de message commence par son port ("COM2: [123] ..."), la
sortie d'erreur a une ligne vivante par port sur un terminal, sinon des lignes datées avec
le port ; un tableau récapitulatif le termine.

Code de sortie : 0 chargé (chaque port, sur plusieurs), 1 échec, refus ou annulation,
2 erreur d'utilisation (option invalide, type ou version inconnus, fichier absent).

Exemples :
  kznload-cli list --lang fr
  kznload-cli load --type VR540 --version "Version française" --port 2 --lang fr
  kznload-cli load --type TK20B --file ./TK20B.gb --device /dev/ttyUSB0 --answer no
  kznload-cli load --type TK10B --version "Version anglaise" --port 1,2,3,4 --lang fr
  kznload-cli info VR540.gb
  kznload-cli ports
  kznload-cli journal --since 2026-12-01 --port 2
)";

}  // namespace

const char* CliUsageText(Language language) {
  return language == Language::kFrench ? kUsageFrench : kUsageEnglish;
}
