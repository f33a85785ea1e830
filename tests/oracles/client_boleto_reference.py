"""An independent reference of the boleto-only client classes' rules, for titles whose fields hold digits.

reference(cls, title, looked_up) gives the nosso-número check digit, the free
field and the four boleto texts (an output the rule leaves alone is None).
looked_up(unit, title) is the check digit a model unit's lookup gives, for
the classes whose free field or texts carry one; cls is the class name.
"""
from boleto_reference import U as F
from digit_schemes import eleven_minus, rising, unbounded


def L(x, w):
    """Left-aligned, blank-filled, cut to w: the client classes keep their rules' cuts."""
    x = x.strip().upper()
    return (x + " " * w)[:w]


SANTANDER = {
    # class: (model unit, digit rule, free-field rule, boleto nosso-número width)
    "THalvekBanco033": ("HalvekCobranca", "documento", "sete", 7),
    "TSeltravoBanco033": ("SeltravoCobranca", "documento", "plain", 13),
    "TBenthavorBanco033": ("BenthavorCobranca", "documento", "plain", 13),
    "TCalderunaBanco033": ("CalderunaCobranca", "doze", "plain", 7),
    "TKavrinoBanco033": ("KavrinoCobrancaSantander", "doze", "plain", 7),
    "TQuistralBanco033": ("QuistralCobrancaSantander", "doze", "dv-trim", 7),
    "TWendoricBanco033": ("WendoricCobrancaSantander", "doze", "dv-trim", 7),
    "TNobrellaBanco033": ("NobrellaCobranca", "doze", "dv", 7),
    "TEsquilorBanco033": ("EsquilorCobranca", "doze", "dv", 7),
    "TYorlandeBanco033": ("YorlandeCobrancaSantander", "doze", "dv", 7),
    "TBrevantaBanco033": ("BrevantaCobrancaSantander", "doze", "dv", 7),
    "TFendrasilBanco033": ("FendrasilCobrancaSantander", "doze", "doze-dv", 7),
    "TUlveraneBancoSantander033": ("UlveraneCobranca", "doze", "doze-dv", 7),
    "TVorqBancoSantander033": ("VorqCobranca", "doze", "doze-dv", 7),
    "TFalmorenBanco033": ("FalmorenCobranca", "doze", "sete", 7),
    "TVantorimBancoSantander033": ("VantorimCobranca", "doze", "sete", 7),
}
CAIXA = {"TCrestalvoBanco104", "TPilvastroBanco104", "TZelvoriaBanco104"}
BB = {
    # class: (digit over the stored nosso número, account-prefix free field)
    "TFendrasilBanco001": (False, False),
    "TQuembraBanco001": (False, False),
    "TSarlentaBanco001": (False, False),
    "TKavrinoBanco001": (True, False),
    "TMorvelBanco001": (True, True),
}
SICOOB = {"TFendrasilBanco756": "FendrasilCobranca", "TSarlentaBanco756": "SarlentaCobrancaSICOOB"}
KINDS = {"edApoliceSeguro": "AP", "edCheque": "CH", "edDuplicataMercantil": "DM",
         "edDuplicataMercantialIndicacao": "DMI", "edDuplicataRural": "DR", "edDuplicataServico": "DS",
         "edDuplicataServicoIndicacao": "DSI", "edFatura": "FAT", "edLetraCambio": "LC",
         "edMensalidadeEscolar": "ME", "edNotaCreditoComercial": "NCC", "edNotaCreditoExportacao": "NCE",
         "edNotaCreditoIndustrial": "NCI", "edNotaCreditoRural": "NCR", "edNotaDebito": "ND",
         "edNotaPromissoria": "NP", "edNotaPromissoriaRural": "NPR", "edNotaSeguro": "NS",
         "edParcelaConsorcio": "PC", "edRecibo": "RC", "edTriplicataMercantil": "TM", "edTriplicataServico": "TS"}


def classes():
    return list(SANTANDER) + sorted(CAIXA) + list(BB) + list(SICOOB)


def bank_of(cls):
    return cls[-3:]


def mod11_base9(t):
    """Weights 2 .. 9 from the right, then 2 again; remainders 0 and 1 give 0."""
    return eleven_minus(rising(t, 9) % 11, "0", "0")


def dv_appended(t):
    """Weights 2, 3, 4, ... from the right without restarting."""
    return t + eleven_minus(unbounded(t) % 11, "0", "0")


def bb_digit(t):
    s, w = 0, 9
    for ch in reversed(t):
        s += int(ch) * w
        w = 9 if w == 2 else w - 1
    r = s % 11
    return "X" if r == 10 else str(r)


def sicoob_digit(t):
    r = sum(int(ch) * int("3197"[i % 4]) for i, ch in enumerate(t)) % 11
    return "0" if r in (0, 1) else str(11 - r)


def n17(nn):
    n = nn.replace("-", "", 1).strip()
    return n if len(n) == 17 else None


def reference(cls, title, looked_up):
    nn, cart, doc = title["NossoNumero"], title["Carteira"], title.get("NumeroDocumento", "")
    ced = title["Cedente"]
    code, dig_ced = ced["CodigoCedente"], ced["DigitoCodigoCedente"]
    acc = ced["ContaBancaria"]
    ag, conta, banco = acc["CodigoAgencia"], acc["NumeroConta"], acc["Banco"]["Codigo"]
    if cls in SANTANDER:
        unit, drule, frule, width = SANTANDER[cls]
        dv = mod11_base9(F(doc, 7)) if drule == "documento" else mod11_base9(F(nn, 12))
        part = {"plain": lambda: F(nn, 13),
                "dv": lambda: F(dv_appended(nn), 13),
                "dv-trim": lambda: F(dv_appended(nn.strip()), 13),
                "doze-dv": lambda: F(nn, 12) + mod11_base9(F(nn, 12)),
                "sete": lambda: "00000" + F(nn, 7) + looked_up(unit, title)}[frule]()
        return dv, "9" + F(code, 7) + part + "0" + cart, (None, F(nn, width), L(cart, 3), "")
    if cls in CAIXA:
        p = F(code, 6) + dig_ced + nn[2:5] + nn[0:1] + nn[5:8] + nn[1:2] + nn[8:20]
        texts = (F(ag, 4) + "." + F(code, 11) + "." + dig_ced, nn, L(cart, 2), KINDS.get(title["EspecieDocumento"], ""))
        return mod11_base9(nn), p + mod11_base9(p), texts
    if cls in BB or cls in SICOOB:
        if cls in BB:
            stored, prefix = BB[cls]
            try:
                dv = bb_digit(nn if stored else F(nn, 11))
            except ValueError:  # a hyphen left in the weighed text: no digit
                dv = None
            n = n17(nn)
            if prefix or (banco == "001" and cart == "18"):
                if n:
                    campo = F(code, 6) + n + "21"
                else:
                    campo = F(nn, 11) + F(ag, 4) + (F(conta[:4], 8) if prefix else F(code, 8)) + F(cart, 2)
            else:
                campo = "000000" + nn[:7] + F(nn, 10) + F(cart, 2)
            widths = (11, 11, 2)

            def shown():
                return looked_up("cbCobranca", title)
        else:
            unit = SICOOB[cls]
            dv = sicoob_digit(F(ag, 4) + F(code, 10) + F(nn, 7))
            campo = F(cart, 1) + F(ag, 4) + "02" + F(code, 7) + F(nn, 7) + looked_up(unit, title) + "001"
            widths = (10, 7, 1)

            def shown():
                return looked_up(unit, title)
        if banco != "001":
            texts = (F(ag, 4) + " " + F(code, widths[0]) + "." + dig_ced, F(nn, widths[1]) + shown(),
                     L(cart, widths[2]), "")
        elif cart == "18":
            n = n17(nn)
            texts = (F(ag, 4) + F(code, 11), n if n else F(nn, 11) + shown(), L(cart, 2), "")
        elif cart == "17":
            texts = (F(ag, 4) + " " + F(code, 11) + "." + dig_ced, F(nn, 17), L(cart, 2), "")
        else:
            texts = (None, None, None, None)
        return dv, campo, texts
    raise KeyError(cls)
