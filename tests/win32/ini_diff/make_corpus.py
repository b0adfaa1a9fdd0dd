#!/usr/bin/env python3
"""Writes the differential INI corpus (corpus/*.ini): awkward files that the portable reader and
the platform's profile functions must answer alike. Run from this folder."""
import os


def sjis(text):
    return text.encode("cp932")


CRLF = b"\r\n"
FILES = {
    "basic": b"[Main]\r\nTitle=Ombrel's Gantrel\r\nDocument=README.TXT\r\nAll=2\r\nLzTrash=YES\r\n\r\n"
             b"[1]\r\nLz=JOYSTICK.OC_,Joystick.OCX\r\nSelfRegister=YES\r\n\r\n"
             b"[2]\r\nLz=JOYSTICK.HL_,Joystick.HLP\r\nSelfRegister=NO\r\n",
    "blanks": b"[Main]\r\n  Title   =   Hello World   \r\nKey With Space = v a l \r\n\tTabbed\t=\tt\t\r\n"
              b"Lz = A.EX_ , A.EXE \r\n[ Spaced ]\r\nIn=spaced\r\n[Trail]   junk after\r\nk=v\r\n"
              b"[  Two  Words  ]\r\nw=2\r\n",
    "quotes": b"[Q]\r\na=\"quoted\"\r\nb='single'\r\nc=\"mismatch'\r\nd=\"\r\ne=\"\"\r\nf=''x''\r\n"
              b"g= \" spaced \" \r\nh=\"in\"side\"\r\ni='\r\nj=\"a\r\nk=x\"y\"\r\nl='\"'\r\n",
    "comments": b";leading comment\r\n[Main]\r\n;Title=commented\r\nTitle=value ; not a comment\r\n"
                b"# hash=1\r\n  ; indented=2\r\n[C] ; comment after header\r\nk=v\r\n;[Hidden]\r\nh=1\r\n",
    "dups": b"[Main]\r\nTitle=first\r\nTitle=second\r\nAll=1\r\n[MAIN]\r\nTitle=third\r\nOnlyInSecond=x\r\n"
            b"[main]\r\nAll=9\r\n[D]\r\nNoEquals\r\nNoEquals=later\r\nk=1\r\nK=2\r\n",
    "case": b"[MiXeD]\r\nKeY=1\r\n" + sjis("[ＡＢＣ]\r\nｘ=full-width\r\n[ΩΜΕΓΑ]\r\nσ=greek\r\n[Жук]\r\nД=cyr\r\n"
                                       "[Ⅹ]\r\nⅰ=roman\r\n"),
    "lf": b"[Main]\nTitle=lf only\nAll=3\n[1]\nLz=a,b\n",
    "cr": b"[Main]\rTitle=cr only\rAll=3\r[1]\rLz=a,b\r",
    "nofinal": b"[Main]\r\nTitle=no final newline\r\nAll=7",
    "mixed": b"[Main]\r\nTitle=crlf\nDocument=lf\r\n\r\n\n[1]\nLz=x,y\r\n",
    "long": b"[L]\r\nascii300=" + b"a" * 300 + b"\r\nascii254=" + b"b" * 254 + b"\r\nascii255=" + b"c" * 255 +
            b"\r\nsjis150=" + sjis("あ" * 150) + b"\r\nodd=" + b"z" + sjis("い" * 140) +
            b"\r\nquoted254=\"" + b"q" * 252 + b"\"\r\nquoted255=\"" + b"r" * 253 + b"\"\r\nquoted256=\"" +
            b"s" * 254 + b"\"\r\nquoted300=\"" + b"t" * 298 + b"\"\r\nmix=" + (b"k" + sjis("カ")) * 90 + b"\r\n" +
            b"halfkana=" + sjis("ｱ") * 300 + b"\r\nkey" + b"x" * 300 + b"=longkey\r\n[" + b"S" * 300 + b"]\r\nk=1\r\n",
    "empty_values": b"[Main]\r\nTitle=\r\nAll=\r\nX= \r\nNoEquals\r\nDocument=  \r\n=novalue\r\n = spacedname\r\n",
    "empty_file": b"",
    "only_blanks": b"\r\n   \r\n\t\r\n",
    "sjis": sjis("[セクション]\r\n日本語キー=値です\r\n表示=ソフト\r\n能力=予定表\r\n"
                 "　全角空白　=　前後に全角空白　\r\n半角=ｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ\r\n[Main]\r\n"
                 "Title=オンブレルのクオリン\r\nDocument=説明書.TXT\r\n[ソ]\r\n表=ソ\r\n"),
    "numbers": b"[N]\r\nAll=2\r\nalpha=12abc\r\nx3=x3\r\nneg=-5\r\nhex=0x10\r\nHEX=0X10\r\noct=0o17\r\nbin=0b101\r\n"
               b"big=40000\r\nffff=65535\r\nmax=4294967295\r\nhuge=99999999999\r\nplus=+7\r\nlead=  42\r\n"
               b"quoted='12'\r\nexp=1e3\r\nfrac=3.9\r\nzeros=" + b"0" * 29 + b"1\r\nsign2=--3\r\nneg0=-0\r\n"
               b"tab=\t8\r\nneg32768=-32768\r\nlow16=98304\r\nhexbig=0xFFFFFFFF\r\nspace=4 2\r\n",
    "bom_utf8": b"\xef\xbb\xbf" + "[Main]\r\nTitle=ユーティーエフ８\r\n[Ünï]\r\nKey=v\r\n".encode("utf-8"),
    "bom_utf16": b"\xff\xfe" + "[Main]\r\nTitle=ユニコード\r\nAll=4\r\n".encode("utf-16-le"),
    "nul": b"[Main]\r\nTitle=before\x00after\r\nAll=5\r\nk\x00ey=nul in name\r\n[Se\x00c]\r\nk=1\r\n",
    "headers": b"k0=before any section\r\n[unterminated\r\nk1=1\r\n[a]b]\r\nk2=2\r\n[]\r\nk3=3\r\n[ ]\r\nk4=4\r\n"
               b"[[x]]\r\nk5=5\r\n[=]\r\nk6=6\r\n[a=b]\r\nk7=7\r\n",
    "leadbyte_eol": b"[Main]\r\nTitle=ends in lead\x82\nAll=3\r\nDocument=doc\r\n[1]\r\nLz=a\x82\r\nSelfRegister=YES\r\n",
    "ctrlz": b"[Main]\r\nTitle=dos eof\r\nAll=1\r\n\x1a",
    "setup_like": b"[Main]\r\nTitle = Product ; v1\r\nAll = 3\r\nLzTrash = yes\r\n[1]\r\nLz = A.EX_ , A.EXE\r\n"
                  b"SelfRegister = Yes\r\n[2]\r\nLz=,B\r\nSelfRegister=1\r\n[3]\r\nLz=A,B,C\r\nSelfRegister=TRUE\r\n"
                  b"[4]\r\nLz=unused,x\r\n",
    "undefined_bytes": b"[Main]\r\nTitle=\x80\xa0\xfd\xfe\xff\r\nDocument=\x85\x40\xeb\x40\xf0\x40\r\nAll=1\r\n",
}


def main():
    os.makedirs("corpus", exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join("corpus", name + ".ini"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
