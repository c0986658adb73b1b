#!/usr/bin/env python3
"""The installer signed with a throwaway certificate this test makes, as a publisher signs a release.

    signed_installer_test.py <sign-program.sh> <VorlaneSetup.exe> <the player as built> <wine-env> <wine state> <work folder>

The signature verifies against the test's own authority, whether the certificate comes as PEM or
PKCS#12; taking it off again gives back the program as linked. The signed installer installs end
to end under Wine; a byte changed inside a carried program is refused by the integrity check
(exit 3), and a byte changed anywhere else breaks the signature.
"""
import os
import shutil
import subprocess
import sys
import unittest

SIGNER, INSTALLER, PLAYER, WINE_ENV, WINE_STATE, WORK = sys.argv[1:7]


def run(*command, env=None, check=True):
    return subprocess.run(command, env=env, check=check, capture_output=True, text=True)


def openssl(*arguments):
    run("openssl", *arguments)


def verifies(program):
    ca = os.path.join(WORK, "ca.pem")
    return run("osslsigncode", "verify", "-CAfile", ca, "-in", program, check=False).returncode == 0


def read(path):
    with open(path, "rb") as file:
        return file.read()


def changed_byte(source, target, offset):
    data = bytearray(read(source))
    data[offset] ^= 0x01
    with open(target, "wb") as file:
        file.write(data)


class SignedInstaller(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        at = lambda name: os.path.join(WORK, name)
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", at("ca.key"), "-out", at("ca.pem"),
                "-days", "2", "-subj", "/CN=Vorlane test authority",
                "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("publisher.key"), "-out", at("publisher.csr"),
                "-subj", "/CN=Vorlane test publisher")
        with open(at("publisher.ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
        openssl("x509", "-req", "-in", at("publisher.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
                "-CAcreateserial", "-out", at("publisher.pem"), "-days", "2", "-extfile", at("publisher.ext"))
        openssl("pkcs12", "-export", "-in", at("publisher.pem"), "-inkey", at("publisher.key"),
                "-out", at("publisher.p12"), "-passout", "pass:not a secret")
        cls.signed = at("VorlaneSetup.exe")
        shutil.copyfile(INSTALLER, cls.signed)
        cls.sign(cls.signed, {"SIGN_CERT": at("publisher.pem"), "SIGN_KEY": at("publisher.key")})

    @staticmethod
    def sign(program, variables):
        env = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
        env.update(variables)
        run(SIGNER, program, "Vorlane", env=env)

    def install(self, program, name):
        """Installs into the default root of a new prefix; the exit code and the run log."""
        log = os.path.join(WORK, name + ".log")
        code = subprocess.run([WINE_ENV, "fresh", os.path.join(WORK, "wine_" + name), WINE_STATE, program, "/S",
                               "/LOG=Z:" + log.replace("/", "\\")], capture_output=True).returncode
        return code, read(log).decode("utf-8") if os.path.exists(log) else ""

    def test_the_signature_verifies_and_comes_off_again(self):
        self.assertTrue(verifies(self.signed))
        self.assertGreater(os.path.getsize(self.signed), os.path.getsize(INSTALLER))
        # The password's form of the certificate signs alike.
        p12 = os.path.join(WORK, "from p12.exe")
        shutil.copyfile(INSTALLER, p12)
        self.sign(p12, {"SIGN_CERT": os.path.join(WORK, "publisher.p12"), "SIGN_PASSWORD": "not a secret"})
        self.assertTrue(verifies(p12))
        # A build without a certificate takes off what an earlier one made.
        self.sign(p12, {})
        self.assertTrue(read(p12) == read(INSTALLER))

    def test_a_byte_changed_outside_the_carried_programs_breaks_the_signature(self):
        changed = os.path.join(WORK, "changed.exe")
        changed_byte(self.signed, changed, 0x1000)
        self.assertFalse(verifies(changed))

    def test_the_signed_installer_installs_and_refuses_a_changed_carried_program(self):
        code, log = self.install(self.signed, "signed")
        self.assertEqual(code, 0)
        self.assertTrue(log.endswith("verdict ok 0\r\n"), log)
        offset = read(self.signed).find(read(PLAYER)[0x1000:0x1400])
        self.assertGreater(offset, 0, "the player's code is carried as it was built")
        damaged = os.path.join(WORK, "damaged.exe")
        changed_byte(self.signed, damaged, offset + 0x200)
        code, log = self.install(damaged, "damaged")
        self.assertEqual(code, 3)
        self.assertNotIn("file ok", log)

if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
