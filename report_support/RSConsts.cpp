#include "report_support/RSConsts.h"

#include "platform/os/Locale.h"

namespace report_support {
namespace {

// English, Portuguese (Brazil), French, Spanish.
constexpr std::array<MessageRow, LocaleMessageCount> kMessages{{
    /* 0 */ {"Printing in progress...", "Imprimindo o relatório...", "Impression du rapport...", "Impresión en marcha..."},
    /* 1 */ {"Saving report...", "Salvando o relatório...", "Enregistrement du rapport...", "Guardando el informe..."},
    /* 2 */ {"Preparing report...", "Preparando o relatório...", "Préparation du rapport...", "Preparando el informe..."},
    /* 3 */ {"Printer not found", "Impressora não encontrada", "Imprimante introuvable", "Impresora no encontrada"},
    /* 4 */ {"Invalid printer path", "Caminho inválido para a impressora", "Invalid printer path", "Caminho inválido para a impressora"},
    /* 5 */ {"Load default configuration", "Carregar a configuração padrão", "Charger la configuration par défaut", "Cargar la configuración predeterminada"},
    /* 6 */ {"Printer driver error", "Erro no driver da impressora", "Erreur du pilote d'imprimante", "Error en el controlador de la impresora"},
    /* 7 */ {"Page", "Página", "Page", "Página"},
    /* 8 */ {"Error while preparing report", "Erro durante a preparação do relatório", "Erreur durant la prépartaion du rapport", "Un error ocurrió mientras se preparaba el informe"},
    /* 9 */ {"Continues...", "Continua...", "Saut de page...", "Continúa..."},
    /* 10 */ {"Continuation", "Continuação", "A suivre", "Continuación"},
    /* 11 */ {"End", "Fim", "Fin", "Fin"},
    /* 12 */ {"File not found", "Arquivo não encontrado", "Fichier introuvable", "Archivo no encontrado"},
    /* 13 */ {"File Name", "Nome do arquivo", "Nom du fichier", "Nombre del archivo"},
    /* 14 */ {"All files", "Todos os arquivos", "Tous les fichiers", "Todos los archivos"},
    /* 15 */ {"Load report", "Carregar relatório", "Charger un rapport", "Cargar informe"},
    /* 16 */ {"Not found", "Não encontrado", "Introuvable", "No encontrado"},
    /* 17 */ {"Wait...", "Aguarde...", "Veuillez patienter...", "Espere..."},
    /* 18 */ {"Finished", "Concluído", "Terminé", "Terminado"},
    /* 19 */ {"Cancel", "Cancelar", "Annuler", "Cancelar"},
    /* 20 */ {"Close", "Fechar", "Fermer", "Cerrar"},
    /* 21 */ {"Save", "Salvar", "Enregistrer", "Guardar"},
    /* 22 */ {"Send", "Enviar", "Envoyer", "Enviar"},
    /* 23 */ {"Print", "Imprimir", "Imprimer", "Imprimir"},
    /* 24 */ {"About", "Sobre o", "A propos de", "Sobre"},
    /* 25 */ {"Preview", "Pré-visualização", "Aperçu avant impression", "Ver"},
    /* 26 */ {"of", "de", "de", "de"},
    /* 27 */ {"Zoom", "Zoom", "Zoom", "Zoom"},
    /* 28 */ {"First page", "Primeira página", "Première page", "Primera página"},
    /* 29 */ {"Prior page", "Página anterior", "Page précédente", "Página anterior"},
    /* 30 */ {"Next page", "Próxima página", "Page suivante", "Página siguiente"},
    /* 31 */ {"Last page", "Última página", "Dernière page", "Última página"},
    /* 32 */ {"Entire page", "Página inteira", "Page entière", "Página completa"},
    /* 33 */ {"Entire width", "Largura da página", "Largeur de la page", "Ancho de página"},
    /* 34 */ {"Multiple pages", "Várias páginas", "Plusieurs pages", "Varias páginas"},
    /* 35 */ {"Configure printer", "Configurar impressora", "Configurer l'imprimante", "Configurar impresora"},
    /* 36 */ {"Save to file", "Salvar em arquivo", "Enregistrer dans un fichier", "Guardar en archivo"},
    /* 37 */ {"Send to", "Enviar para", "Envoyer vers", "Enviar a"},
    /* 38 */ {"Printer", "Impressora", "Imprimante", "Impresora"},
    /* 39 */ {"Name", "Nome", "Nom", "Nombre"},
    /* 40 */ {"Print to file", "Imprimir em arquivo", "Imprimer dans un fichier", "Imprimir en archivo"},
    /* 41 */ {"Print in background", "Imprimir em segundo plano", "Imprimer en arrière-plan", "Imprimir en segundo plano"},
    /* 42 */ {"Save in background", "Salvar em segundo plano", "Enregistrer en arrière-plan", "Guardar en segundo plano"},
    /* 43 */ {"Page range", "Intervalo de páginas", "Étendue de pages", "Intervalo de páginas"},
    /* 44 */ {"from", "de", "de", "de"},
    /* 45 */ {"to", "até", "à", "a"},
    /* 46 */ {"All", "Tudo", "Tout", "Todo"},
    /* 47 */ {"Pages", "Páginas", "Pages", "Páginas"},
    /* 48 */ {"Selection", "Seleção", "Sélection", "Selección"},
    /* 49 */ {"Copies", "Cópias", "Copies", "Copias"},
    /* 50 */ {"Number of copies", "Número de cópias", "Nombre de copies", "Número de copias"},
    /* 51 */ {"Ok", "Ok", "Ok", "Ok"},
    /* 52 */ {"Divide the screen", "Dividir a tela", "Dividir a tela", "Dividir la pantalla"},
    /* 53 */ {"Invalid name", "Nome inválido", "Nom non valide", "Nombre no válido"},
    /* 54 */ {"Name already in use", "Nome já em uso", "Nom déjà utilisé", "Nombre ya en uso"},
    /* 55 */ {"Use filter", "Usar Filtro", "Use filter", "Usar Filtro"},
    /* 56 */ {"Web page", "Página da Web", "Page Web", "Página web"},
    /* 57 */ {"RichText Format", "Formato RichText", "Formato RichText", "Formato RichText"},
    /* 58 */ {"PDF Document", "Documento PDF", "Documento PDF", "Documento PDF"},
    /* 59 */ {"Excel spreadsheet", "Planilha Excel", "Excel tableur", "Planilha Excel"},
    /* 60 */ {"at", "em", "à", "en"},
    /* 61 */ {"Form", "Formulário", "Formulaire", "Formulario"},
    /* 62 */ {"Default", "Padrão", "Par défaut", "Predeterminado"},
    /* 63 */ {"cols", "cols", "cols", "cols"},
    /* 64 */ {"Increase zoom", "Aumentar o zoom", "Augmenter le zoom", "Aumentar el zoom"},
    /* 65 */ {"Decrease zoom", "Diminuir o zoom", "Diminuer le zoom", "Reducir el zoom"},
    /* 66 */ {"Copy", "Copiar", "Copier", "Copiar"},
    /* 67 */ {"Edit", "Editar", "Edit", "Editar"},
    /* 68 */ {"Find", "Localizar", "Rechercher", "Buscar"},
    /* 69 */ {"Te&xt", "Te&xto", "Te&xte", "Te&xto"},
    /* 70 */ {"Find &Next", "&Próxima", "A&près", "&Siguiente"},
    /* 71 */ {"&Whole words only", "Somente palavras &inteiras", "Mot &entier uniquement", "Solo palabras &completas"},
    /* 72 */ {"&Match Case", "Diferenciar &maiúsculas de minúsculas", "Cas d'allu&mette", "Diferenciar &mayúsculas y minúsculas"},
    /* 73 */ {"&Up", "&Acima", "&Haut", "&Arriba"},
    /* 74 */ {"&Down", "A&baixo", "&Bas", "A&bajo"},
    /* 75 */ {"Direction", "Direção", "Direction", "Dirección"},
}};

constexpr std::array<TCharAndSymbol, HtmlEntityCount> kHtmlEntities{{
    {U'&', "&amp;"},     {U'>', "&gt;"},       {U'<', "&lt;"},
    {0xA0, "&nbsp;"},    {0xA1, "&iexcl;"},    {0xA2, "&cent;"},   {0xA3, "&pound;"},  {0xA4, "&curren;"},
    {0xA5, "&yen;"},     {0xA6, "&brvbar;"},   {0xA7, "&sect;"},   {0xA8, "&uml;"},    {0xA9, "&copy;"},
    {0xAA, "&ordf;"},    {0xAB, "&laquo;"},    {0xAC, "&not;"},    {0xAD, "&shy;"},    {0xAE, "&reg;"},
    {0xAF, "&macr;"},    {0xB0, "&deg;"},      {0xB1, "&plusmn;"}, {0xB2, "&sup2;"},   {0xB3, "&sup3;"},
    {0xB4, "&acute;"},   {0xB5, "&micro;"},    {0xB6, "&para;"},   {0xB7, "&middot;"}, {0xB8, "&cedil;"},
    {0xB9, "&sup1;"},    {0xBA, "&ordm;"},     {0xBB, "&raquo;"},  {0xBC, "&frac14;"}, {0xBD, "&frac12;"},
    {0xBE, "&frac34;"},  {0xBF, "&iquest;"},   {0xC0, "&Agrave;"}, {0xC1, "&Aacute;"}, {0xC2, "&Acirc;"},
    {0xC3, "&Atilde;"},  {0xC4, "&Auml;"},     {0xC5, "&Aring;"},  {0xC6, "&AElig;"},  {0xC7, "&Ccedil;"},
    {0xC8, "&Egrave;"},  {0xC9, "&Eacute;"},   {0xCA, "&Ecirc;"},  {0xCB, "&Euml;"},   {0xCC, "&Igrave;"},
    {0xCD, "&Iacute;"},  {0xCE, "&Icirc;"},    {0xCF, "&Iuml;"},   {0xD0, "&ETH;"},    {0xD1, "&Ntilde;"},
    {0xD2, "&Ograve;"},  {0xD3, "&Oacute;"},   {0xD4, "&Ocirc;"},  {0xD5, "&Otilde;"}, {0xD6, "&Ouml;"},
    {0xD7, "&times;"},   {0xD8, "&Oslash;"},   {0xD9, "&Ugrave;"}, {0xDA, "&Uacute;"}, {0xDB, "&Ucirc;"},
    {0xDC, "&Uuml;"},    {0xDD, "&Yacute;"},   {0xDE, "&THORN;"},  {0xDF, "&szlig;"},  {0xE0, "&agrave;"},
    {0xE1, "&aacute;"},  {0xE2, "&acirc;"},    {0xE3, "&atilde;"}, {0xE4, "&auml;"},   {0xE5, "&aring;"},
    {0xE6, "&aelig;"},   {0xE7, "&ccedil;"},   {0xE8, "&egrave;"}, {0xE9, "&eacute;"}, {0xEA, "&ecirc;"},
    {0xEB, "&euml;"},    {0xEC, "&igrave;"},   {0xED, "&iacute;"}, {0xEE, "&icirc;"},  {0xEF, "&iuml;"},
    {0xF0, "&eth;"},     {0xF1, "&ntilde;"},   {0xF2, "&ograve;"}, {0xF3, "&oacute;"}, {0xF4, "&ocirc;"},
    {0xF5, "&otilde;"},  {0xF6, "&ouml;"},     {0xF7, "&divide;"}, {0xF8, "&oslash;"}, {0xF9, "&ugrave;"},
    {0xFA, "&uacute;"},  {0xFB, "&ucirc;"},    {0xFC, "&uuml;"},   {0xFD, "&yacute;"}, {0xFE, "&thorn;"},
    {0xFF, "&yuml;"},
}};

}  // namespace

const std::array<MessageRow, LocaleMessageCount>& MessageRows() { return kMessages; }

std::string_view MessageText(const MessageRow& row, MessageLanguage language) {
    switch (language) {
        case MessageLanguage::Portuguese: return row.Portuguese;
        case MessageLanguage::French: return row.French;
        case MessageLanguage::Spanish: return row.Spanish;
        case MessageLanguage::English: break;
    }
    return row.English;
}

std::array<std::string, LocaleMessageCount>& LocaleMessageTable() {
    static std::array<std::string, LocaleMessageCount> table;
    return table;
}

void LoadMessages(MessageLanguage language) {
    auto& table = LocaleMessageTable();
    for (int i = 0; i < LocaleMessageCount; ++i) table[i] = std::string(MessageText(kMessages[i], language));
}

void LoadEnglishMessages() { LoadMessages(MessageLanguage::English); }
void LoadPortugueseMessages() { LoadMessages(MessageLanguage::Portuguese); }
void LoadFrenchMessages() { LoadMessages(MessageLanguage::French); }
void LoadSpanishMessages() { LoadMessages(MessageLanguage::Spanish); }

MessageLanguage MessageLanguageOf(std::string_view locale_name) {
    const std::string language = os::locale_language(locale_name);
    if (language == "pt") return MessageLanguage::Portuguese;
    if (language == "fr") return MessageLanguage::French;
    if (language == "es") return MessageLanguage::Spanish;
    return MessageLanguage::English;
}

void SelectLocaleStrings() { LoadMessages(MessageLanguageOf(os::message_locale_name())); }

void ClearLocaleStrings() {
    auto& table = LocaleMessageTable();
    for (int i = LocaleMessageCount - 1; i >= 0; --i) table[i].clear();
}

const std::array<TCharAndSymbol, HtmlEntityCount>& HtmlEntityTable() { return kHtmlEntities; }

}  // namespace report_support
