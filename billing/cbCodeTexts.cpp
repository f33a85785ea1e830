#include "billing/cbCodeTexts.h"

#include "platform/core/SysUtils.h"

#include <algorithm>

namespace billing::codetext {

namespace {

// Occurrences of banks 001 and 999.
constexpr CodeText kO001[] = {
    {2, "02-Confirmação de Entrada de Título"},
    {3, "03-Comando recusado"},
    {5, "05-Liquidado sem registro"},
    {6, "06-Liquidação Normal"},
    {7, "07-Liquidação por Conta"},
    {8, "08-Liquidação por Saldo"},
    {9, "09-Baixa de Título"},
    {10, "10-Baixa Solicitada"},
    {11, "11-Titulos em Ser"},
    {12, "12-Abatimento Concedido"},
    {13, "13-Abatimento Cancelado"},
    {14, "14-Alteração de Vencimento do Titulo"},
    {15, "15-Liquidação em Cartório"},
    {19, "19-Confirmação de recebimento de instruções para protesto"},
    {20, "20-Débito em Conta"},
    {21, "21-Alteração do Nome do Sacado"},
    {22, "22-Alteração do Endereço do Sacado"},
    {23, "23-Indicação de encaminhamento a cartório"},
    {24, "24-Sustar Protesto"},
    {25, "25-Dispensar Juros"},
    {28, "28-Manutenção de titulo vencido"},
    {72, "72-Alteração de tipo de cobrança"},
    {96, "96-Despesas de Protesto"},
    {97, "97-Despesas de Sustação de Protesto"},
    {98, "98-Débito de Custas Antecipadas"},
};

// Occurrences of bank 237.
constexpr CodeText kO237[] = {
    {2, "02-Entrada Confirmada"},
    {3, "03-Entrada Rejeitada"},
    {6, "06-Liquidação  normal"},
    {9, "09-Baixado Automaticamente via Arquivo"},
    {10, "10-Baixado conforme instruções da Agência"},
    {11, "11-Em Ser - Arquivo de Títulos pendentes"},
    {12, "12-Abatimento Concedido"},
    {13, "13-Abatimento Cancelado"},
    {14, "14-Vencimento Alterado"},
    {15, "15-Liquidação em Cartório"},
    {17, "17-Liquidação após baixa ou Título não registrado"},
    {18, "18-Acerto de Depositária"},
    {19, "19-Confirmação Recebimento Instrução de Protesto"},
    {20, "20-Confirmação Recebimento Instrução Sustação de Protesto"},
    {21, "21-Acerto do Controle do Participante"},
    {23, "22-Entrada do Título em Cartório"},
    {24, "23-Entrada rejeitada por CEP Irregular"},
    {27, "27-Baixa Rejeitada"},
    {28, "28-Débito de tarifas/custas"},
    {30, "30-Alteração de Outros Dados Rejeitados"},
    {32, "32-Instrução Rejeitada"},
    {33, "33-Confirmação Pedido Alteração Outros Dados"},
    {34, "34-Retirado de Cartório e Manutenção Carteira"},
    {35, "35-Desagendamento do débito automático"},
    {68, "68-Acerto dos dados do rateio de Crédito"},
    {69, "69-Cancelamento dos dados do rateio"},
};

// Occurrences of bank 291.
constexpr CodeText kO291[] = {
    {2, "02-Entrada Confirmada"},
    {3, "03-Entrada Rejeitada"},
    {6, "06-Liquidação Normal"},
    {8, "08-Liquidação em Cartório"},
    {9, "09-Baixado Automaticamente (Condição de cadastro)"},
    {10, "10-Baixado conf. Instrução"},
    {11, "11-Títulos em Ser (posição mensal da carteira)"},
    {12, "12-Abatimento concedido"},
    {13, "13-Abatimento cancelado"},
    {14, "14-Vencimento alterado"},
    {15, "15-Protesto confirmado"},
    {20, "20-Sustação de protesto confirmada"},
    {28, "28-Debito de Custas Cartorárias"},
    {30, "30-Alteração de outros dados rejeitados"},
    {33, "33-Confirmação de Pedido de Alteração de  outros dados"},
    {52, "52-Pedido de baixa rejeitado"},
    {54, "54-Instrução de abatimento rejeitada"},
    {55, "55-Cancelamento de abatimento rejeitado"},
    {56, "56-Alteração de vencimento rejeitada"},
    {59, "59-Protesto rejeitado"},
    {68, "68-Sustação de protesto rejeitado"},
    {69, "69-Instrução em processamento"},
    {90, "90-Transferência de Carteira"},
    {91, "91-Título Protestado"},
};

// Occurrences of bank 320.
constexpr CodeText kO320[] = {
    {2, "02-ENTRADA CONFIRMADA"},
    {3, "03-ENTRADA REJEITADA"},
    {4, "04-TRANSFERÊNCIA DE CARTEIRA - ENTRADA"},
    {5, "05-TRANSFERÊNCIA DE CARTEIRA - BAIXA"},
    {6, "06-LIQUIDAÇÃO NORMAL"},
    {7, "07-LIQUIDAÇÃO POR CONTA"},
    {8, "08-LIQUIDAÇÃO POR SALDO"},
    {9, "09-BAIXADO AUTOMATICAMENTE"},
    {10, "10-BAIXADO CONFORME INSTRUÇÕES"},
    {11, "11-EM SER (POSIÇÃO EM ABERTO)"},
    {12, "12-ABATIMENTO CONCEDIDO"},
    {13, "13-ABATIMENTO CANCELADO"},
    {14, "14-VENCIMENTO ALTERADO"},
    {15, "15-LIQUIDAÇÃO EM CARTÓRIO"},
    {16, "16-DEVOLUÇÃO DO CARTÓRIO"},
    {17, "17-CONFIRMAÇÃO ENVIO P/ CARTÓRIO"},
    {18, "18-TÍTULO NÃO PROCESSADO"},
    {19, "19-BAIXA POR CRÉDITO MANUAL"},
};

// Occurrences of bank 341.
constexpr CodeText kO341[] = {
    {2, "02-ENTRADA CONFIRMADA"},
    {3, "03-ENTRADA REJEITADA (NOTA 20 - TABELA 1)"},
    {4, "04-ALTERAÇÃO DE DADOS - NOVA ENTRADA"},
    {5, "05-ALTERAÇÃO DE DADOS - BAIXA"},
    {6, "06-LIQUIDAÇÃO NORMAL"},
    {8, "08-LIQUIDAÇÃO EM CARTÓRIO"},
    {9, "09-BAIXA SIMPLES"},
    {10, "10-BAIXA POR TER SIDO LIQUIDADO"},
    {11, "11-EM SER (SÓ NO RETORNO MENSAL)"},
    {12, "12-ABATIMENTO CONCEDIDO"},
    {13, "13-ABATIMENTO CANCELADO"},
    {14, "14-VENCIMENTO ALTERADO"},
    {15, "15-BAIXAS REJEITADAS (NOTA 20 - TABELA 4)"},
    {16, "16-INSTRUÇÕES REJEITADAS (NOTA 20 - TABELA 3)"},
    {17, "17-ALTERAÇÃO DE DADOS REJEITADOS (NOTA 20 - TABELA 2)"},
    {18, "18-COBRANÇA CONTRATUAL - ABATIMENTO E BAIXA BLOQUEADOS(NOTA 20 - TABELA 5)"},
    {19, "19-CONFIRMA RECEBIMENTO DE INSTRUÇÃO DE PROTESTO"},
    {20, "20-CONFIRMA RECEBIMENTO DE INSTRUÇÃO DE SUSTAÇÃO DE PROTESTO /TARIFA"},
    {21, "21-CONFIRMA RECEBIMENTO DE INSTRUÇÃO DE NÃO PROTESTAR"},
    {23, "23-PROTESTO ENVIADO A CARTÓRIO/TARIFA"},
    {24, "24-INSTRUÇÃO DE PROTESTO REJEITADA / SUSTADA / PENDENTE (NOTA 20 - TABELA 7)"},
    {25, "25-ALEGAÇÕES DO SACADO (NOTA 20 - TABELA 6)"},
    {26, "26-TARIFA DE AVISO DE COBRANÇA"},
    {27, "27-TARIFA DE EXTRATO POSIÇÃO (B40X)"},
    {28, "28-TARIFA DE RELAÇÃO DAS LIQUIDAÇÕES"},
    {29, "29-TARIFA DE MANUTENÇÃO DE TÍTULOS VENCIDOS"},
    {30, "30-DÉBITO MENSAL DE TARIFAS (PARA ENTRADAS E BAIXAS)"},
    {32, "32-BAIXA POR TER SIDO PROTESTADO"},
    {33, "33-CUSTAS DE PROTESTO"},
    {34, "34-CUSTAS DE SUSTAÇÃO"},
    {35, "35-CUSTAS DE CARTÓRIO DISTRIBUIDOR"},
    {36, "36-CUSTAS DE EDITAL"},
    {37, "37-TARIFA DE EMISSÃO DE BLOQUETO/TARIFA DE ENVIO DE DUPLICATA"},
    {38, "38-TARIFA DE INSTRUÇÃO"},
    {39, "39-TARIFA DE OCORRÊNCIAS"},
    {40, "40-TARIFA MENSAL DE EMISSÃO DE BLOQUETO/TARIFA MENSAL DE ENVIO DE DUPLICATA"},
    {41, "41-DÉBITO MENSAL DE TARIFAS - EXTRATO DE POSIÇÃO (B4EP/B4OX)"},
    {42, "42-DÉBITO MENSAL DE TARIFAS - OUTRAS INSTRUÇÕES"},
    {43, "43-DÉBITO MENSAL DE TARIFAS - MANUTENÇÃO DE TÍTULOS VENCIDOS"},
    {44, "44-DÉBITO MENSAL DE TARIFAS - OUTRAS OCORRÊNCIAS"},
    {45, "45-DÉBITO MENSAL DE TARIFAS - PROTESTO"},
    {46, "46-DÉBITO MENSAL DE TARIFAS - SUSTAÇÃO DE PROTESTO"},
    {47, "47-BAIXA COM TRANSFERÊNCIA PARA DESCONTO"},
    {48, "48-CUSTAS DE SUSTAÇÃO JUDICIAL"},
    {51, "51-TARIFA MENSAL REF A ENTRADAS BANCOS CORRESPONDENTES NA CARTEIRA"},
    {52, "52-TARIFA MENSAL BAIXAS NA CARTEIRA"},
    {53, "53-TARIFA MENSAL BAIXAS EM BANCOS CORRESPONDENTES NA CARTEIRA"},
    {54, "54-TARIFA MENSAL  DE LIQUIDAÇÕES NA CARTEIRA"},
    {55, "55-TARIFA MENSAL DE LIQUIDAÇÕES EM BANCOS CORRESPONDENTES NA CARTEIRA"},
    {56, "56-CUSTAS DE IRREGULARIDADE"},
    {57, "57-INSTRUÇÃO CANCELADA(NOTA 20 - TABELA 8)"},
};

// Occurrences of bank 353.
constexpr CodeText kO353[] = {
    {1, "01-TÍTULO NÃO EXISTE"},
    {2, "02-ENTRADA TÍT. CONFIRMADA"},
    {3, "03-ENTRADA TÍT. REJEITADA"},
    {6, "06-LIQUIDAÇÃO"},
    {7, "07-LIQUIDAÇÃO POR CONTA"},
    {8, "08-LIQUIDAÇÃO POR SALDO"},
    {9, "09-BAIXA AUTOMÁTICA"},
    {10, "10-TÍT. BAIX. CONF. INSTRUÇÃO"},
    {11, "11-EM SER"},
    {12, "12-ABATIMENTO CONCEDIDO"},
    {13, "13-ABATIMENTO CANCELADO"},
    {14, "14-PRORROGAÇÃO DE VENCIMENTO"},
    {15, "15-CONFIRMAÇÃO DE PROTESTO"},
    {16, "16-TÍT. JÁ BAIXADO/LIQUIDADO"},
    {17, "17-LIQUIDADO EM CARTÓRIO"},
};

// Occurrences of bank 394.
constexpr CodeText kO394[] = {
    {2, "02-Entrada confirmada"},
    {3, "03-Transação rejeitada"},
    {4, "04-Transf. de carteira (entrada)"},
    {5, "05-Transf. de carteira (Baixa)"},
    {6, "06-Liquidação normal"},
    {7, "07-Liquidação por conta"},
    {8, "08-Liquidação por saldo"},
    {9, "09-Baixa automática"},
    {10, "10-Baixa por instrução"},
    {11, "11-Em ser"},
    {12, "12-Abatimento concedido"},
    {13, "13-Abatimento cancelado"},
    {14, "14-Vencimento alterado"},
    {15, "15-Liquidação em cartório"},
    {16, "16-Liquidação por compensação"},
    {17, "17-Outras liquidações"},
    {18, "18-Juros dispensados"},
    {19, "19-Tarifas bancárias"},
    {20, "20-Outras baixas"},
    {21, "21-Liquidação - baixado / devolvido"},
    {22, "22-Entrada por transferência"},
    {23, "23-Campo especial alterado"},
    {24, "24-Confirmação recebimento instrução não protestar"},
    {25, "25-Enviado para cartório"},
    {26, "26-Protesto sustado"},
    {27, "27-Protesto não sustado"},
    {28, "28-Protesto devolvido para cartório"},
    {29, "29-Débito custas cartoriais"},
    {30, "30-Baixa por transferência"},
    {31, "31-Entrada de sustação de protesto"},
    {32, "32-Instrução de protesto acatada"},
    {33, "33-Entrada de pedido de protesto"},
    {34, "34-Emissão de carta de protesto"},
    {35, "35-Cancelamento de protesto"},
    {36, "36-Confirmação de recebimento de instrução protestar"},
    {37, "37-Confirmação de recebimento de instrução sustar protesto e baixar o título"},
    {38, "38-Confirmação de recebimento de instrução sustar protesto"},
    {39, "39-Desconto concedido"},
    {40, "40-Desconto cancelado"},
    {41, "41-Protesto efetivado"},
    {42, "42-Liquidação parcial"},
    {43, "43-Outras tarifas"},
    {44, "44-Pagamento de título protestado"},
    {45, "45-Baixa por liquidação"},
    {46, "46-Baixa por ter sido protestado"},
    {49, "47-Pedido de baixa acatado"},
    {50, "48-Pedido de baixa rejeitado"},
    {51, "49-Pedido de alteração rejeitado"},
    {52, "50-Pedido de alteração acatada"},
    {53, "51-Prazo de devolução alterado"},
    {54, "52-Alteração com reemissão de bloquete confirmada"},
    {55, "53-Alteração da opção de protesto para devolução confirmada"},
    {56, "54-Alteração da opção de devolução para protesto confirmada"},
    {86, "55-Pagamento"},
    {87, "56-Cobrança parcial"},
    {88, "57-Pagamento após a baixa"},
    {98, "58-Amortizações"},
    {99, "59-Outros"},
};

// Occurrences of bank 409.
constexpr CodeText kO409[] = {
    {2, "02-ENTRADA CONFIRMADA"},
    {3, "03-ENTRADA REJEITADA"},
    {6, "06-LIQUIDAÇÃO NORMAL"},
    {7, "07-LIQUIDAÇÃO POR CONTA"},
    {8, "08-LIQUIDAÇÃO POR SALDO"},
    {9, "09-BAIXADO AUTOMATICAMENTE"},
    {10, "10-BAIXADO CONFORME INSTRUÇÃO"},
    {12, "12-ABATIMENTO CONCEDIDO"},
    {14, "14-VENCIMENTO ALTERADO"},
    {16, "16-SEU NUMERO ALTERADO"},
    {18, "18-DESPESA DE PROTESTO EFETIVADO"},
    {19, "19-DESPESA DE SUSTAÇÃO DE TÍTULO"},
    {20, "20-DESPESA COM ENTRADA EM CARTÓRIO"},
    {21, "21-SOLICITAÇÃO DE SUSTAÇÃO CONFIRMADA"},
    {22, "22-ENTRADA POR TRANSFERÊNCIA"},
    {23, "23-EMISSÇO DE CARTA DE PROTESTO"},
    {30, "30-BAIXA POR TRANSFERÉNCIA"},
    {31, "31-SUSTAÇÃO EFETIVADA"},
    {33, "33-PEDIDO DE PROTESTO CONFIRMADO"},
    {34, "34-INÍCIO DO PROCESSO DE PROTESTO"},
    {35, "35-TARIFA DE SUSTAÇÃO DE PROTESTO"},
    {36, "36-TARIFA DE PROTESTO"},
    {37, "37-TARIFA DE PERMANÊNCIA EM CARTEIRA"},
    {38, "38-TARIFA DE REAPRESENTAÇÃO"},
    {39, "39-TARIFA DE GARANTIA DE CRÉDITO"},
    {41, "41-ENTRADA EM CARTÓRIO CONFIRMADA"},
    {45, "45-DÉBITO DE TARIFA ACUMULADA"},
    {77, "77-INSTRUÇÃO REJEITADA"},
    {86, "86-PAGAMENTO INFORMATIVO"},
    {87, "87-PAGAMENTO PARCIAL INFORMATIVO"},
    {88, "88-PAGAMENTO APÓS BAIXA INFORMATIVO"},
    {89, "89-TÍTULO PAGO EM CARTÓRIO INFORMATIVO"},
    {98, "98-PAGAMENTO APÓS BAIXA"},
    {99, "99-PAGAMENTO EM CARTÓRIO"},
};

// Occurrences of bank 422.
constexpr CodeText kO422[] = {
    {2, "02-ENTRADA CONFIRMADA"},
    {3, "03-ENTRADA REJEITADA"},
    {4, "04-TRANSFERÊNCIA DE CARTEIRA (ENTRADA)"},
    {5, "05-TRANSFERÊNCIA DE CARTEIRA (BAIXA)"},
    {6, "06-LIQUIDAÇÃO NORMAL"},
    {7, "07-LIQUIDAÇÃO PARCIAL"},
    {9, "09-BAIXADO AUTOMATICAMENTE"},
    {10, "10-BAIXADO CONFORME INSTRUÇÕES"},
    {11, "11-TÍTULOS EM SER (PARA ARQUIVO MENSAL)"},
    {12, "12-ABATIMENTO CONCEDIDO"},
    {13, "13-ABATIMENTO CANCELADO"},
    {14, "14-VENCIMENTO ALTERADO"},
    {15, "15-LIQUIDAÇÃO EM CARTÓRIO"},
    {16, "16-BAIXADO POR ENTREGA FRANCO DE PAGAMENTO"},
    {19, "19-CONFIRMAÇÃO DE INSTRUÇÃO DE PROTESTO"},
    {20, "20-CONFIRMAÇÃO DE SUSTAR PROTESTO"},
    {21, "21-TRANSFERÊNCIA DE CEDENTE"},
    {23, "23-TÍTULO ENVIADO A CARTÓRIO"},
    {40, "40-BAIXA DE TÍTULO PROTESTADO"},
    {41, "41-LIQUIDAÇÃO DE TÍTULO BAIXADO"},
    {42, "42-TÍTULO RETIRADO DO CARTÓRIO"},
    {43, "43-DESPESA DE CARTÓRIO"},
    {51, "51-VALOR DO TÍTULO ALTERADO"},
};

// Occurrences of bank 745.
constexpr CodeText kO745[] = {
    {2, "02-ENTRADA CONFIRMADA"},
    {3, "03-TRANSAÇÃO REJEITADA"},
    {6, "06-LIQUIDAÇÃO/PAGAMENTO"},
    {10, "10-BAIXA"},
    {11, "11-Em Ser (a vencer)"},
    {12, "12-ABATIMENTO CONCEDIDO"},
    {14, "14-VENCIMENTO ALTERADO"},
    {15, "15-PAGO EM CARTÓRIO"},
    {23, "23-TÍTULO ENVIADO A CARTÓRIO"},
    {34, "34-TÍTULO RETIRADO DE CARTÓRIO"},
    {51, "51-CUSTO DE DISTRIBUIÇÃO"},
    {52, "52-CUSTO DE PROTESTO"},
    {53, "53-CUSTO DE SUSTAÇÃO"},
};

// Motives of bank 104's reader.
constexpr CodeText kM104[] = {
    {1, "01 - Movimento sem Cedente Correspondente"},
    {2, "02 - Movimento sem Titulo Correspondente"},
    {8, "08 - Movimento para Titulo já com Movimentacao no dia"},
    {9, "09 - Nosso Numero nao Pertence ao Cedente"},
    {10, "10 - Inclusao de Titulo ja Existente"},
    {12, "12 - Movimento  Duplicado"},
    {13, "13 - Entrada Invalida para Cobranca Caucionada (Cedente nao possui conta Caucao)"},
    {20, "20 - CEP do Sacado nao Encontrado (Nao foi possivel a Determinacao da Agencia Cobradora para o Titulo)"},
    {21, "21 - Agencia Cobradora nao Encontrada (Agencia Designada para Cobradora nao Cadastrada no Sistema)"},
    {45, "45 - Data de Vencimento com prazo mais de 1 ano"},
    {49, "49 - Movimento Invalido para Titulo Baixado/Liquidado"},
    {50, "50 - Movimento Invalido para Titulo Protestado"},
    {54, "54 - Faixa de CEP da Agencia Cobradora nao Abrange CEP do Sacado"},
    {55, "55 - Titulo ja com Opcao de Devolucao"},
    {56, "56 - Processo de Protesto em Andamento"},
    {57, "57 - Titulo ja com Opcao de Protesto"},
    {58, "58 - Processo de Devolucao em Andamento"},
    {59, "59 - Novo Prazo p/ Protesto/ Devolucao Invalido"},
    {76, "76 - Alteracao de Prazo de Protesto Invalida"},
    {77, "77 - Alteracao de  Prazo  de  Devolução  Inválida"},
    {81, "81 - CEP  do  Sacado  Inválido"},
    {82, "82 - CGC/CPF  do  Sacado  Inválido  (Dígito  não  Confere)"},
};

// Motives of bank 237's reader.
constexpr CodeText kM237[] = {
    {0, "00 - Ocorrencia aceita"},
    {17, "17 - Data de vencimento anterior a data de emissão"},
    {21, "21 - Espécie do Título inválido"},
    {24, "24 - Data da emissão inválida"},
    {38, "38 - Prazo para protesto inválido"},
    {39, "39 - Pedido para protesto não permitido para título"},
    {43, "43 - Prazo para baixa e devolução inválido"},
    {45, "45 - Nome do Sacado inválido"},
    {46, "46 - Tipo/num. de inscrição do Sacado inválidos"},
    {47, "47 - Endereço do Sacado não informado"},
    {48, "48 - CEP irregular"},
    {50, "50 - CEP referente a Banco correspondente"},
    {53, "53 - Nº de inscrição do Sacador/avalista inválidos  (CPF/CGC)"},
    {54, "54 - Sacador/avalista não informado"},
    {67, "67 - Débito automático agendado"},
    {68, "68 - Débito não agendado - erro nos dados de remessa"},
    {69, "69 - Débito não agendado - Sacado não consta no cadastro de autorizante"},
    {70, "70 - Débito não agendado - Cedente não autorizado pelo Sacado"},
    {71, "71 - Débito não agendado - Cedente não participa da modalidade de débito automático"},
    {72, "72 - Débito não agendado - Código de moeda diferente de R$"},
    {73, "73 - Débito não agendado -  Data de vencimento inválida"},
    {75, "75 - Débito não agendado - Tipo do número de inscrição do sacado debitado inválido"},
    {86, "86 - Seu número do documento inválido"},
};

// Motives of banks 001 and 999.
constexpr CodeText kM001[] = {
    {1, "01-Identificação inválida"},
    {2, "02-Variação da carteira inválida"},
    {3, "03-Valor dos juros por um dia inválido"},
    {4, "04-Valor do desconto inválido"},
    {5, "05-Espécie de título inválida para carteira"},
    {6, "06-Espécie de valor variável inválido"},
    {7, "07-Prefixo da agência usuária inválido"},
    {8, "08-Valor do título/apólice inválido"},
    {9, "09-Data de vencimento inválida"},
    {10, "10-Fora do prazo"},
    {11, "11-Inexistência de margem para desconto"},
    {12, "12-O Banco não tem agência na praça do sacado"},
    {13, "13-Razões cadastrais"},
    {14, "14-Sacado interligado com o sacador"},
    {15, "15-Título sacado contra orgão do Poder Público"},
    {16, "16-Título preenchido de forma irregular"},
    {17, "17-Título rasurado"},
    {18, "18-Endereço do sacado não localizado ou incompleto"},
    {19, "19-Código do cedente inválido"},
    {20, "20-Nome/endereco do cliente não informado /ECT/"},
    {21, "21-Carteira inválida"},
    {22, "22Quantidade de valor variável inválida"},
    {23, "23-Faixa nosso número excedida"},
    {24, "24-Valor do abatimento inválido"},
    {25, "25-Novo número do título dado pelo cedente inválido"},
    {26, "26-Valor do IOF de seguro inválido"},
    {27, "27-Nome do sacado/cedente inválido ou não informado"},
    {28, "28-Data do novo vencimento inválida"},
    {29, "29-Endereco não informado"},
    {30, "30-Registro de título já liquidado"},
    {31, "31-Numero do bordero inválido"},
    {32, "32-Nome da pessoa autorizada inválido"},
    {33, "33-Nosso número já existente"},
    {34, "34-Numero da prestação do contrato inválido"},
    {35, "35-Percentual de desconto inválido"},
    {36, "36-Dias para fichamento de protesto inválido"},
    {37, "37-Data de emissão do título inválida"},
    {38, "38-Data do vencimento anterior a data da emissão do título"},
    {39, "39-Comando de alteração indevido para a carteira"},
    {40, "40-Tipo de moeda inválido"},
    {41, "41-Abatimento não permitido"},
    {42, "42-CEP do sacado inválido /ECT/"},
    {43, "43-Codigo de unidade variavel incompativel com a data emissão do título"},
    {44, "44-Dados para debito ao sacado inválidos"},
    {45, "45-Carteira"},
    {46, "46-Convenio encerrado"},
    {47, "47-Título tem valor diverso do informado"},
    {48, "48-Motivo de baixa inválido para a carteira"},
    {49, "49-Abatimento a cancelar não consta do título"},
    {50, "50-Comando incompativel com a carteira"},
    {51, "51-Codigo do convenente inválido"},
    {52, "52-Abatimento igual ou maior que o valor do título"},
    {53, "53-Título já se encontra situação pretendida"},
    {54, "54-Título fora do prazo admitido para a conta 1"},
    {55, "55-Novo vencimento fora dos limites da carteira"},
    {56, "56-Título não pertence ao convenente"},
    {57, "57-Variação incompativel com a carteira"},
    {58, "58-Impossivel a transferencia para a carteira indicada"},
    {59, "59-Título vencido em transferencia para a carteira 51"},
    {60, "60-Título com prazo superior a 179 dias em transferencia para carteira 51"},
    {61, "61-Título já foi fichado para protesto"},
    {62, "62-Alteração da situação de debito inválida para o codigo de responsabilidade"},
    {63, "63-DV do nosso número inválido"},
    {64, "64-Título não passivel de debito/baixa - situação anormal"},
    {65, "65-Título com ordem de não protestar-não pode ser encaminhado a cartorio"},
    {67, "66-Título/carne rejeitado"},
    {80, "80-Nosso número inválido"},
    {81, "81-Data para concessão do desconto inválida"},
    {82, "82-CEP do sacado inválido"},
    {83, "83-Carteira/variação não localizada no cedente"},
    {84, "84-Título não localizado na existencia"},
    {99, "99-Outros motivos"},
};

// Motives of bank 291.
constexpr CodeText kM291[] = {
    {1, "01-Código do banco inválido"},
    {2, "02-Código do registro detalhe inválido"},
    {3, "03-Data da remessa inválida"},
    {4, "04-Agência/conta/dígito inválido"},
    {5, "05-Código da carteira inválido"},
    {6, "06-Nosso número inválido"},
    {7, "07-Data de vencimento inválido"},
    {8, "08-Valor do título inválido"},
    {9, "09-Espécie de título inválido"},
    {10, "10-Data de emissão inválida 11 Código de aceite inválido"},
    {12, "12-Valor do desconto inválido"},
    {13, "13-Data de desconto inválida"},
    {14, "14-CEP inválido"},
    {15, "15-Instrução 1 inválida"},
    {16, "16-Instrução 2 inválida"},
    {17, "17-Taxa de juro inválida"},
    {18, "18-Valor da mora inválido"},
    {19, "19-Nome do sacado inválido"},
    {20, "20-Endereço do sacado inválido"},
    {21, "21-Cidade do sacado inválido"},
    {22, "22-Bairro do sacado inválido"},
    {23, "23-Estado do sacado inválido"},
    {24, "24-Tipo de inscrição do sacado inválido"},
    {25, "25-Tipo de fita remessa inválida"},
    {26, "26-Tipo de moeda inválida"},
    {27, "27-Valor do IOF inválido"},
    {28, "28-Agência cobradora inválida"},
    {29, "29-Razão controle inválido"},
    {30, "30-Responsabilidade inválida"},
    {31, "31-Inscrição do Cedente inválido"},
    {32, "32-CGC do Cedente inválido"},
    {33, "33-Controle da empresa inválido"},
    {34, "34-Praça cobradora inválida"},
    {35, "35-Valor do abatimento inválido"},
    {36, "36-Sequência do registro inválido"},
    {37, "37-Data do vencimento inválido"},
    {38, "38-Espécie de título inválido para cheque"},
    {39, "39-Custódia/Caução de cheque bloqueado"},
    {40, "40-Cheque com tipo de cobrança inválido"},
    {42, "42-Instrução especial inválida"},
    {43, "43-Taxa de juro inválido p/ Banco. Correspondente"},
    {44, "44-Mora inválido p/ Banco. Correspondente"},
    {45, "45-Sacador/avalista invalido para Banco Correspondente"},
    {46, "46-Instrução especial inválida para Banco Correspondente"},
    {47, "47-Espécie de título inválido para Banco Correspondente"},
    {48, "48-CEP não cadastrado 49 Cedente - Conta Garantida - ECC"},
    {50, "50-Número de Título Inválido para Cliente Pré-impresso"},
    {51, "51-Registro de entrada em duplicidade"},
    {52, "52-Moeda não identificada"},
    {53, "53-CPF/CGC do sacado sem correspondente no BCNPag"},
    {54, "54-Registro com caracter minúsculo - Reg. Aceito"},
    {55, "55-Seu número  com caracter não EBCDIC - Reg. Aceito"},
    {56, "56-Nome do Sacado com caracter não EBCDIC - Reg. Aceito"},
    {57, "57-Endereço do sacado com caracter não EBCDIC - Reg. Aceito"},
    {58, "58-Cidade do sacado com caracter não EBCDIC - Reg. Aceito"},
    {59, "59-Bairro do sacado com caracter não EBCDIC - Reg. Aceito"},
    {60, "60-Estado do sacado com caracter não EBCDIC - Reg. Aceito"},
    {61, "61-Nome avalista com caracter não EBCDIC - Reg. Aceito"},
    {62, "62-CGC/CPF do sacado inválido - Reg. Aceito"},
    {63, "63-CGC/CPF do sacado dígito inválido - Reg. Aceito"},
    {64, "64-CGC/CPF do sacado inválido - Reg. Rejeitado"},
    {65, "65-CGC/CPF do sacado digito inválido - Reg. Rejeitado"},
    {67, "67-CEP não cadastrado para praça BCN"},
    {68, "68-Praça do CEP não cumpre cartório"},
    {69, "69-Digito do nosso numero não confere"},
    {70, "70-IOF maior que valor do título"},
    {71, "71-Instrução de título bloqueada"},
    {72, "72-Registro sem  correspondente"},
    {73, "73-Instrução inválida para código de registro 003"},
    {74, "74-Inválido para vendor eletrônico"},
    {75, "75-Inválido envio de títulos com mensagem para Banco correspondente"},
    {76, "76-Número do CMC7 inválido"},
    {77, "77-Banco/Agência/Conta de Débito Inv. Ou não cadastrado"},
    {78, "78-Cobrança caução não aceita alteração Valor menor que o cadastrado"},
    {79, "79-Protesto inválido para espécie de título"},
    {80, "80-Protesto inválido - CGC do sacado inválido"},
    {81, "81-Data emissão maior que data do vencimento"},
    {82, "82-Banco/Ag. Cobradora não disponível p/ cob. Dólar"},
    {83, "83-Título não acolhido"},
    {85, "85-Numero bancário do Banco  Correspondente - Dígito inválido"},
    {86, "86-Título não possui praça no Bradesco"},
    {87, "87-Título Vendor - Praça não atendida por BCN/Bradesco"},
    {88, "88-Sufixo do Cep inválido - Registro aceito"},
};

// Motives of bank 320.
constexpr CodeText kM320[] = {
    {8, "08-Vencimento não válido"},
    {12, "12-Ocorrência não cadastrada"},
    {13, "13-Cep não cadastrado - não atendido"},
    {14, "14-Agência cobradora não permitida"},
    {15, "15-Erro digito nosso número"},
    {16, "16-Título vencido"},
};

// Motives of bank 341.
constexpr CodeText kM341[] = {
    {3, "AG. COBRADORA - NÃO FOI POSSÍVEL ATRIBUIR A AGÊNCIA  PELO CEP OU CEP INVÁLIDO"},
    {4, "ESTADO - SIGLA DO ESTADO INVÁLIDA"},
    {5, "DATA VENCIMENTO - PRAZO DA OPERAÇÃO MENOR QUE PRAZO MÍNIMO OU MAIOR QUE O MÁXIMO"},
    {7, "VALOR DO TÍTULO - VALOR DO TÍTULO MAIOR QUE 10.000.000,00"},
    {8, "NOME DO SACADO - NÃO INFORMADO OU DESLOCADO"},
    {9, "AGÊNCIA/CONTA - AGÊNCIA ENCERRADA"},
    {10, "LOGRADOURO - NÃO INFORMADO OU DESLOCADO"},
    {11, "CEP\t- CEP NÃO NUMÉRICO"},
    {12, "SACADOR / AVALISTA - NOME NÃO INFORMADO OU DESLOCADO (BANCOS CORRESPONDENTES)"},
    {13, "ESTADO/CEP - CEP INCOMPATÍVEL COM A SIGLA DO ESTADO"},
    {14, "NOSSO NÚMERO - NOSSO NÚMERO JÁ REGISTRADO NO CADASTRO DO BANCO OU FORA DA FAIXA"},
    {15, "NOSSO NÚMERO - NOSSO NÚMERO EM DUPLICIDADE NO MESMO MOVIMENTO"},
    {18, "DATA DE ENTRADA - DATA DE ENTRADA INVÁLIDA PARA OPERAR COM ESTA CARTEIRA"},
    {19, "OCORRÊNCIA - OCORRÊNCIA INVÁLIDA"},
    {21, "AG. COBRADORA - CARTEIRA NÃO ACEITA DEPOSITÁRIA CORRESPONDENTE/ESTADO DA AGÊNCIA DIFERENTE DO ESTADO DO SACADO/AG. COBRADORA NÃO CONSTA NO CADASTRO OU  ENCERRANDO"},
    {22, "CARTEIRA - CARTEIRA NÃO PERMITIDA (NECESSÁRIO CADASTRAR FAIXA LIVRE)"},
    {27, "CGC INAPTO - CGC DO CEDENTE INAPTO"},
    {29, "CÓDIGO EMPRESA - CATEGORIA DA CONTA INVÁLIDA"},
    {35, "VALOR DO IOF - IOF MAIOR QUE 5%"},
    {36, "QTDADE DE MOEDA - QUANTIDADE DE MOEDA INCOMPATÍVEL COM VALOR DO TÍTULO"},
    {37, "CGC/CPF DO SACADO - NÃO NUMÉRICO OU IGUAL A ZEROS"},
    {42, "NOSSO NÚMERO - NOSSO NÚMERO FORA DE FAIXA"},
    {52, "AG. COBRADORA - EMPRESA NÃO ACEITA BANCO CORRESPONDENTE"},
    {53, "AG. COBRADORA - EMPRESA NÃO ACEITA BANCO CORRESPONDENTE  - COBRANÇA MENSAGEM"},
    {54, "DATA DE VENCTO - BANCO CORRESPONDENTE - TÍTULO COM VENCIMENTO INFERIOR A 15 DIAS"},
    {55, "DEP/BCO CORRESP - CEP NÃO PERTENCE A DEPOSITÁRIA INFORMADA"},
    {56, "DT VENCTO/BCO CORRESP - VENCTO SUPERIOR A 180 DIAS DA DATA DE ENTRADA"},
    {57, "DATA DE VENCTO - CEP SÓ DEPOSITÁRIA BCO DO BRASIL COM VENCTO INFERIOR A 8 DIAS"},
    {60, "ABATIMENTO - VALOR DO ABATIMENTO INVÁLIDO"},
    {61, "JUROS DE MORA - JUROS DE MORA MAIOR QUE O PERMITIDO"},
    {62, "DESCONTO - VALOR DO DESCONTO MAIOR QUE O VALOR DO TÍTULO"},
    {63, "IMPORTÂNCIA POR DIA DE DESCONTO - NÃO PERMITIDO"},
    {64, "EMISSÃO DO TÍTULO - DATA DE EMISSÃO DO TÍTULO INVÁLIDA (VENDOR)"},
    {65, "TAXA FINANCTO - TAXA INVÁLIDA (VENDOR)"},
    {66, "DATA DE VENCTO - INVALIDA/FORA DE PRAZO DE OPERAÇÃO (MÍNIMO OU MÁXIMO)"},
    {67, "VALOR/QTIDADE - VALOR DO TÍTULO/QUANTIDADE DE MOEDA INVÁLIDO"},
    {68, "CARTEIRA - CARTEIRA INVÁLIDA"},
    {98, "FLASH INVÁLIDO - REGISTRO MENSAGEM SEM FLASH CADASTRADO OU FLASH INFORMADO DIFERENTE DO CADASTRADO"},
    {99, "FLASH INVÁLIDO - CONTA DE COBRANÇA COM FLASH CADASTRADO E SEM REGISTRO DE MENSAGEM CORRESPONDENTE"},
};

// Motives of bank 409.
constexpr CodeText kM409[] = {
    {5, "05-Tipo de transação / código do movimento inválido"},
    {7, "07-Agência / conta e dígito inválido"},
    {8, "08-Nosso número inválido"},
    {9, "09-Nosso número duplicado"},
    {10, "10-Carteira inválida"},
    {11, "11-Forma de cadastramento do título inválida (Cliente não é troca de fitas)"},
    {12, "12-Tipo de documento inválido"},
    {13, "13-Identificação de emissão de bloqueto inválido"},
    {15, "15-Características cobrança incompatível"},
    {16, "16-Data de vencimento inválida"},
    {18, "18-Vencimento fora do prazo de operação"},
};

// Motives of bank 422.
constexpr CodeText kM422[] = {
    {1, "001-MOEDA INVÁLIDA"},
    {2, "002-MOEDA INVÁLIDA PARA CARTEIRA"},
    {3, "003-CARTEIRA 3 INVÁLIDA PARA TIPO DE MOEDA"},
    {4, "004-TIPO DE IOF. INVÁLIDO PARA COBRANÇA DE SEGUROS"},
    {5, "005-TIPO DE IOF. INVÁLIDO PARA VALOR DE IOF (SEGUROS)"},
    {6, "006-VALOR DE IOF INVÁLIDO (SEGUROS)"},
    {7, "007-CEP NÃO CORRESPONDE UF"},
    {8, "008-VALOR JUROS MAIOR QUE 5% DO VALOR DO TÍTULO"},
    {9, "009-USO EXCLUSIVO NÃO NUMÉRICO PARA COBRANCA EXPRESS"},
    {10, "010-SEU NUMERO - NÃO NUMÉRICO PARA CHEQUE"},
    {11, "011-NOSSO NÚMERO FORA DA FAIXA"},
    {12, "012-CEP DE CIDADE INEXISTENTE"},
    {13, "013-CEP FORA DE FAIXA DA CIDADE"},
    {14, "014-UF INVALIDO PARA CEP DA CIDADE"},
    {15, "015-CEP ZERADO"},
    {16, "016-CEP NÃO CONSTA NA TABELA SAFRA"},
    {17, "017-CEP NÃO CONSTA TABELA BCO. CORRESPONDENTE"},
    {18, "018-DADOS DO CHEQUE NÃO NÚMERICO"},
    {19, "019-PROTESTO IMPRATICÁVEL"},
    {20, "020-PRIMEIRA INSTRUÇÃO DE COBRANÇA INVALIDA"},
    {21, "021-SEGUNDA INSTRUÇÃO DE COBRANÇA INVÁLIDA"},
    {22, "022-SEGUNDA INSTR. ( 10 ) E TERCEIRA INSTR. INVALIDA"},
    {23, "023-TERCEIRA INSTRUÇÃO DE COBRANÇA INVÁLIDA"},
    {24, "024-DIGITO VERIFICADOR  C1 INVÁLIDO"},
    {25, "025-DIGITO VERIFICADOR  C2 INVÁLIDO"},
    {26, "026-CÓDIGO DE OPERAÇÃO/OCORRÊNCIA INVÁLIDO"},
    {27, "027-OPERAÇÃO INVÁLIDA PARA O CLIENTE"},
    {28, "028-NOSSO NÚMERO NÃO NUMÉRICO OU ZERADO"},
    {29, "029-NOSSO NÚMERO COM DÍGITO DE CONTROLE ERRADO"},
    {30, "030-VALOR DO ABATIMENTO NÃO NUMÉRICO OU ZERADO"},
    {31, "031-SEU NÚMERO EM BRANCO"},
    {32, "032-CÓDIGO DA CARTEIRA INVÁLIDO"},
    {33, "033-DIGITO VERIFICADOR C3 INVÁLIDO"},
    {34, "034-CÓDIGO DO TÍTULO INVÁLIDO"},
    {35, "035-DATA DE MOVIMENTO INVÁLIDA"},
    {36, "036-DATA DE EMISSÃO INVÁLIDA"},
    {37, "037-DATA DE VENCIMENTO INVÁLIDA"},
    {38, "038-DEPOSITÁRIA INVÁLIDA"},
    {39, "039-DEPOSITÁRIA INVÁLIDA PARA O CLIENTE"},
    {40, "040-DEPOSITÁRIA NÃO CADASTRADA NO BANCO"},
    {41, "041-CÓDIGO DE ACEITE INVÁLIDO"},
    {42, "042-ESPÉCIE DE TÍTULO INVÁLIDO"},
    {43, "043-INSTRUÇÃO DE COBRANÇA INVÁLIDA"},
    {44, "044-VALOR DO TÍTULO NÃO NUMÉRICO OU ZERADO"},
    {45, "045-DATA  DE OPERAÇÃO INVALIDA"},
    {46, "046-VALOR DE JUROS NÃO NUMÉRICO OU ZERADO"},
    {47, "047-DATA LIMITE PARA DESCONTO INVÁLIDA"},
    {48, "048-VALOR DO DESCONTO INVÁLIDO"},
    {49, "049-VALOR IOF. NÃO NUMÉRICO OU ZERADO (SEGUROS)"},
    {50, "050-ABATIMENTO COM VALOR PARA OPERAÇÃO \"01\"  (Entrada de Título)"},
    {51, "051-CÓDIGO DE INSCRIÇÃO DO SACADO INVÁLIDO"},
    {52, "052-CÓDIGO DE INSCRIÇÃO / NÚMERO DE INSCRIÇÃO DO SACADO INVÁLIDO"},
    {53, "053-NÚMERO DE INSCRIÇÃO DO SACADO NÃO NUMÉRICO OU DÍGITO ERRADO"},
    {54, "054-NOME DO SACADO EM BRANCO"},
    {55, "055-ENDEREÇO DO SACADO EM BRANCO"},
    {56, "056-CLIENTE NAO RECADASTRADO"},
    {57, "057-CLIENTE BLOQUEADO"},
    {58, "058-PROCESSO DE CARTÓRIO INVÁLIDO"},
    {59, "059-ESTADO DO SACADO INVÁLIDO"},
    {60, "060-CEP / ENDEREÇO DIVERGEM DO CORREIO"},
    {61, "061-INSTRUÇÃO AGENDADA PARA AGÊNCIA"},
    {62, "062-OPERAÇÃO INVÁLIDA PARA A CARTEIRA"},
    {63, "063-CÓDIGO NÃO PREVISTO"},
    {64, "064-TÍTULO INEXISTENTE (TFC)"},
    {65, "065-OPERAÇÃO JÁ EXISTENTE PARA O TÍTULO"},
    {66, "066-TÍTULO JÁ EXISTE       (TFC)"},
    {67, "067-DATA DE VENCIMENTO INVÁLIDA PARA PROTESTO"},
    {68, "068-CEP DO SACADO NÃO CONSTA NA TABELA"},
    {69, "069-PRAÇA NÃO ATENDIDA PELO SERVIÇO CARTÓRIO"},
    {70, "070-AGÊNCIA INVÁLIDA"},
    {71, "071-CLIENTE NÃO CADASTRADO"},
    {72, "072-TÍTULO JÁ EXISTE (COB)"},
    {73, "073-TAXA OPERAÇÃO NÃO NUMÉRICA OU ZERADA  (VENDOR)"},
    {74, "074-TÍTULO FORA DE SEQÜÊNCIA"},
    {75, "075-TAXA DE OPERAÇÃO ZERADA   (VENDOR)"},
    {76, "076-EQUALIZAÇÃO NÃO NUMÉRICA OU INVÁLIDA  (VENDOR)"},
    {77, "077-TAXA NEGOCIADA NÃO NUMÉRICA OU ZERADA  (VENDOR)"},
    {78, "078-TÍTULO INEXISTENTE (COB)"},
    {79, "079-OPERAÇÃO NÃO CONCLUIDA"},
    {80, "080-TÍTULO JÁ CADASTRADO"},
    {81, "081-TÍTULO NÃO DESCONTADO"},
    {82, "082-CÓDIGO NÃO PREVISTO"},
    {83, "083-PRORROGAÇÃO / ALTERAÇÃO DE VENCIMENTO INVÁLIDA"},
    {84, "084-MOVIMENTO IGUAL AO CADASTRO DE EXISTÊNCIA DO COB"},
    {85, "085-CÓDIGO OPERAÇÃO COM PCB INVÁLIDO  ( OPERAÇÃO INVÁLIDA P/ CARTEIRA )"},
    {86, "086-ABATIMENTO MAIOR QUE VALOR DO TÍTULO"},
    {87, "087-ALTERAÇÃO DE CARTÓRIO INVÁLIDA"},
    {88, "088-CÓDIGO NÃO PREVISTO"},
    {89, "089-ALTERAÇÃO DE DATA DE PROTESTO INVÁLIDA"},
    {90, "090-MODALIDADE DE VENDOR INVALIDO"},
    {91, "091-PCB CTO INVALIDA"},
    {92, "092-DATA DE OPERAÇÃO CTO INVÁLIDA"},
    {93, "093-BAIXA DE TÍTULO DE OUTRA AGÊNCIA"},
    {94, "094-ENTRADA TÍTULO COBRANÇA DIRETA INVÁLIDA"},
    {95, "095-BAIXA TÍTULO COBRANÇA DIRETA INVÁLIDA"},
    {96, "096-VALOR DO TÍTULO INVÁLIDO"},
    {97, "097-MOEDA INVÁLIDA PARA BANCO CORRESPONDENTE"},
    {98, "098-PCB DO TFC DIVERGEM DA PCB DO COB"},
    {99, "099-INCLUSÃO DE TERCEIRA MOEDA INVÁLIDA"},
};

// Motives of bank 745.
constexpr CodeText kM745[] = {
    {16, "16-Id.registro de dados diferente de 1 (pos 1)"},
    {22, "22-Número bancário inválido (pos 63)"},
    {24, "24-Código de carteira inválido (pos 108)"},
    {25, "25-Id.ocorrência inválido (pos.109)"},
    {26, "26-Seu número inválido (pos 111)"},
    {27, "27-Data de vencimento inválida (pos 121)"},
    {28, "28-Valor do título inválido (pos 127)"},
    {29, "29-Banco cobrador inválido (pos 140)"},
    {31, "31-Espécie de título inválida (pos 148)"},
    {32, "32-Código de aceite diferente de N (pos 150)"},
    {33, "33-Data de emissão inválida (pos 151)"},
    {34, "34-Código de instrução inválido (pos 157)"},
    {41, "41-Id.inscrição sacado inválida (pos 219)"},
    {43, "43-Falta nome do sacado (pos 235)"},
    {44, "44-Falta endereço do sacado (pos 275)"},
    {46, "46-Cep inválido (pos 330)"},
    {47, "47-Falta Cidade do sacado (pos 335)"},
    {48, "48-Falta sigla da UF do sacado (pos 350)"},
    {49, "49-Sigla UF incompatível com o CEP"},
    {50, "50-Número de seq. de dados inválida (pos 395)"},
    {52, "52-Id.de trailler diferente de 9"},
    {53, "53-Erro de sequência do trailler (pos 395)"},
    {57, "57-Carteira incompatível (pos 108)"},
    {58, "58-Dias de instrução inválidos (pos 159)"},
    {62, "62-Valor do desconto maior que o valor do título"},
    {63, "63-Data do desconto inválida na inclusão"},
    {68, "68-Alteração inválida (título caucionado)"},
    {69, "69-Data desconto inválida na alteração"},
    {71, "71-Alteração para título não cadastrado"},
    {74, "74-Alteração para título já baixado"},
    {75, "75-Alteração para título já pago"},
    {76, "76-Instrução para protesto de título já em cartório"},
    {78, "78-Alteração de vencimento inválida"},
    {79, "79-Alteração para desc.por antecipação inválida"},
    {80, "80-Data de instrução de desconto inválida"},
    {81, "81-Inclusão de título já cadastrado"},
    {84, "84-Conta informada inválida"},
    {89, "89-Tipo de moeda inválida (pos 394)"},
    {90, "90-Prorrogação não permitida"},
    {91, "91-Data para pagto. sem juros inválida (pos 386)"},
    {93, "93-Alteração para título já protestado"},
    {94, "94-Abatimento maior que o valor líquido (pos 206)"},
    {95, "95-Vencimento não informado na alteração"},
    {96, "96-Alteração com vencimento menor que o atual"},
    {97, "97-Falta data de desconto em alteração desta data. Mantendo o vencimento original"},
};

// Occurrences of bank 748: those of 001 with another text for 28.
constexpr CodeText kO748[] = {
    {28, "28-Tarifa"},
};

// Motives of bank 748: those of 001 and the code 0.
constexpr CodeText kM748[] = {
    {0, "00-"},
};

constexpr BankTexts kBanks[] = {
    {"001", {kO001}, {kM001}, MotiveRule::kSingle, 2},
    {"237", {kO237}, {}, MotiveRule::kNone, 0},
    {"291", {kO291}, {kM291}, MotiveRule::kPairsLast, 20},
    {"320", {kO320}, {kM320}, MotiveRule::kSingle, 2},
    {"341", {kO341}, {kM341}, MotiveRule::kPairsLast, 8},
    {"353", {kO353}, {}, MotiveRule::kNone, 0},
    {"394", {kO394}, {}, MotiveRule::kNone, 0},
    {"409", {kO409}, {kM409}, MotiveRule::kSingle, 2},
    {"422", {kO422}, {kM422}, MotiveRule::kSingle, 3},
    {"745", {kO745}, {kM745}, MotiveRule::kPairsAll, 20},
    {"748", {kO748, kO001}, {kM748, kM001}, MotiveRule::kSingleOrZero, 2},
    {"999", {kO001}, {kM001}, MotiveRule::kSingle, 2},
};

constexpr NamedTable kTables[] = {
    {"O-001", kO001}, {"O-237", kO237}, {"O-291", kO291}, {"O-320", kO320}, {"O-341", kO341},
    {"O-353", kO353}, {"O-394", kO394}, {"O-409", kO409}, {"O-422", kO422}, {"O-745", kO745},
    {"O-748 changes", kO748}, {"M-001", kM001}, {"M-291", kM291}, {"M-320", kM320}, {"M-341", kM341},
    {"M-409", kM409}, {"M-422", kM422}, {"M-745", kM745}, {"M-748 changes", kM748}, {"M-104", kM104},
    {"M-237", kM237},
};

bool all_blank(std::string_view text, std::size_t width) {
    return text.size() == width && text.find_first_not_of(' ') == std::string_view::npos;
}

// The pairs of code_text up to width; f(text) for each known pair.
template <class F>
void each_known_pair(const Texts& texts, std::string_view code_text, int width, F f) {
    if (all_blank(code_text, std::size_t(width))) return;
    for (int i = 0; i < width; i += 2) {
        const std::string_view pair = i < int(code_text.size()) ? code_text.substr(std::size_t(i), 2) : "";
        if (pair.empty() || pair == "  ") continue;
        const std::string_view text = text_of(texts, read_code(pair));
        if (!text.empty()) f(text);
    }
}

}  // namespace

std::span<const BankTexts> banks() { return kBanks; }

const BankTexts* find_bank(std::string_view bank) {
    for (const BankTexts& b : kBanks) {
        if (b.bank == bank) return &b;
    }
    return nullptr;
}

std::span<const NamedTable> all_tables() { return kTables; }

Table motivos_104() { return kM104; }
Table motivos_237() { return kM237; }

int read_code(std::string_view text) { return StrToInt(text); }

std::string_view text_of(Table table, int code) {
    auto it = std::lower_bound(table.begin(), table.end(), code,
                               [](const CodeText& row, int c) { return row.code < c; });
    return it != table.end() && it->code == code ? it->text : std::string_view();
}

std::string_view text_of(const Texts& texts, int code) {
    const std::string_view own = text_of(texts.rows, code);
    return own.empty() ? text_of(texts.base, code) : own;
}

std::string single(const Texts& texts, std::string_view code_text, int blank_width) {
    if (all_blank(code_text, std::size_t(blank_width))) return {};
    return std::string(text_of(texts, read_code(code_text)));
}

std::string pairs_last(const Texts& texts, std::string_view code_text, int width) {
    std::string result;
    each_known_pair(texts, code_text, width, [&](std::string_view text) { result = text; });
    return result;
}

std::string pairs_all(const Texts& texts, std::string_view code_text, int width) {
    std::string result;
    each_known_pair(texts, code_text, width, [&](std::string_view text) {
        result += text;
        result += ' ';
    });
    return result;
}

std::string ocorrencia(const BankTexts& bank, std::string_view code_text) {
    return single(bank.occurrences, code_text, 2);
}

std::string motivo(const BankTexts& bank, std::string_view code_text) {
    switch (bank.motive_rule) {
        case MotiveRule::kNone:
            return {};
        case MotiveRule::kSingle:
            return single(bank.motives, code_text, bank.motive_width);
        case MotiveRule::kSingleOrZero: {
            if (all_blank(code_text, std::size_t(bank.motive_width))) return {};
            int code = 0;
            if (!TryStrToInt(code_text, code)) code = 0;
            return std::string(text_of(bank.motives, code));
        }
        case MotiveRule::kPairsLast:
            return pairs_last(bank.motives, code_text, bank.motive_width);
        case MotiveRule::kPairsAll:
            return pairs_all(bank.motives, code_text, bank.motive_width);
    }
    return {};
}

}  // namespace billing::codetext
