#!/usr/bin/env python3
"""A signed build of the release, made with a throwaway certificate this test makes, as a publisher makes one.

    signed_installer_test.py <build folder> <signed build target> <its output folder> <sign-program.sh>
                             <the product's stored contents> <wine-env> <wine state>

The build signs with time stamps from a service the test runs on the loopback address (openssl ts
behind a small HTTP server), relinking only what carries a signed program. Every signature
verifies against the test's own authority, each with its time stamp; a carried program is its
padded image and its signature, nothing else. The signed installer installs end to end under
Wine and writes the signed programs; a byte changed inside a carried program is refused by the
integrity check (exit 3), and a byte changed anywhere else breaks the installer's signature. The
PKCS#12 form of the certificate signs alike, and a build without one takes a signature off again.
"""
import http.server
import os
import shutil
import subprocess
import sys
import threading
import unittest

BUILD, TARGET, SIGNED, SIGNER, PRODUCT_CONTENTS, WINE_ENV, WINE_STATE = sys.argv[1:8]
WORK = os.path.join(SIGNED, "test")
INSTALLER = os.path.join(SIGNED, "VorlaneSetup.exe")
HELPER = os.path.join(SIGNED, "cleanup.exe")
# The catalogue's programs: the player and the uninstaller.
CARRIED = {"Vorlane.exe": "01", "卸载.exe": "02"}


def run(*command, env=None, check=True):
    return subprocess.run(command, env=env, check=check, capture_output=True, text=True)


def openssl(*arguments):
    run("openssl", *arguments)


def verification(program):
    ca = os.path.join(WORK, "ca.pem")
    return run("osslsigncode", "verify", "-CAfile", ca, "-TSA-CAfile", ca, "-in", program, check=False)


def verifies(program):
    return verification(program).returncode == 0


def read(path):
    with open(path, "rb") as file:
        return file.read()


TSA_CONFIG = """[tsa]
default_tsa = service
[service]
serial = {serial}
crypto_device = builtin
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha1
accuracy = secs:1
ess_cert_id_alg = sha256
"""


class TimeStamping(http.server.BaseHTTPRequestHandler):
    """An RFC 3161 service: each request body is a time-stamp query, each answer openssl's reply."""

    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        at = lambda name: os.path.join(WORK, name)
        with open(at("query.tsq"), "wb") as file:
            file.write(query)
        openssl("ts", "-reply", "-config", at("tsa.cnf"), "-queryfile", at("query.tsq"), "-signer", at("tsa.pem"),
                "-inkey", at("tsa.key"), "-chain", at("ca.pem"), "-out", at("reply.tsr"))
        reply = read(at("reply.tsr"))
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *arguments):
        pass


def changed_byte(source, target, offset):
    data = bytearray(read(source))
    data[offset] ^= 0x01
    with open(target, "wb") as file:
        file.write(data)


def signing_environment(variables):
    env = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
    env.update(variables)
    return env


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
        with open(at("tsa.ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                      "extendedKeyUsage=critical,timeStamping\n")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("tsa.key"), "-out", at("tsa.csr"),
                "-subj", "/CN=Vorlane test time stamps")
        openssl("x509", "-req", "-in", at("tsa.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
                "-CAcreateserial", "-out", at("tsa.pem"), "-days", "2", "-extfile", at("tsa.ext"))
        with open(at("tsa.cnf"), "w") as config:
            config.write(TSA_CONFIG.format(serial=at("tsa.serial")))
        with open(at("tsa.serial"), "w") as serial:
            serial.write("01\n")
        openssl("pkcs12", "-export", "-in", at("publisher.pem"), "-inkey", at("publisher.key"),
                "-out", at("publisher.p12"), "-passout", "pass:not a secret")
        service = http.server.HTTPServer(("127.0.0.1", 0), TimeStamping)
        threading.Thread(target=service.serve_forever, daemon=True).start()
        try:
            # The signed build reads its certificate from its settings file; the product's programs,
            # built in the same tree and used by other tests meanwhile, follow the (unsigning)
            # environment.
            with open(os.path.join(SIGNED, "settings"), "w") as settings:
                settings.write("SIGN_CERT=%s\nSIGN_KEY=%s\nSIGN_TIMESTAMP_URL=http://127.0.0.1:%d/\n"
                               % (at("publisher.pem"), at("publisher.key"), service.server_port))
            run("cmake", "--build", BUILD, "--target", TARGET, env=signing_environment({}))
        finally:
            service.shutdown()
        cls.linked = os.path.join(BUILD, "tests", "app", "VorlaneSetupSigned.exe")

    @staticmethod
    def sign(program, variables):
        run(SIGNER, program, "Vorlane", env=signing_environment(variables))

    def install(self, program, name):
        """Installs into R:\\ (a folder of the test's), in a new prefix; the exit code and the run log."""
        log = os.path.join(WORK, name + ".log")
        drive = os.path.join(WORK, name + "_drive")
        shutil.rmtree(drive, ignore_errors=True)
        os.makedirs(drive)
        env = dict(os.environ, WINE_ENV_DRIVE="r:" + drive)
        code = subprocess.run([WINE_ENV, "fresh", os.path.join(WORK, "wine_" + name), WINE_STATE, program, "/S",
                               "/LOG=Z:" + log.replace("/", "\\"), "/ALLOWUNPROTECTED", "/D=R:\\"],
                              env=env, capture_output=True).returncode
        return code, read(log).decode("utf-8") if os.path.exists(log) else "", os.path.join(drive, "Vorlane")

    def test_every_signature_verifies_with_its_time_stamp(self):
        contents = [os.path.join(SIGNED, "contents", number) for number in CARRIED.values()]
        for program in [INSTALLER, HELPER] + contents:
            result = verification(program)
            self.assertEqual(result.returncode, 0, program + "\n" + result.stdout)
            self.assertIn("Timestamp Server Signature verification: ok", result.stdout, program)
        # A carried program is its padded image (the catalogue's size), then its signature: the
        # player the unsigned build's bytes; the uninstaller carries the signed helper instead.
        for content in contents:
            unsigned = os.path.join(WORK, "unsigned " + os.path.basename(content))
            shutil.copyfile(content, unsigned)
            self.sign(unsigned, {})
            product = read(os.path.join(PRODUCT_CONTENTS, os.path.basename(content)))
            self.assertEqual(len(read(unsigned)), len(product), content)
        self.assertTrue(read(os.path.join(WORK, "unsigned " + CARRIED["Vorlane.exe"])) ==
                        read(os.path.join(PRODUCT_CONTENTS, CARRIED["Vorlane.exe"])))
        self.assertIn(read(HELPER), read(contents[1]))

    def test_the_password_form_signs_alike_and_an_unsigned_build_is_as_linked(self):
        p12 = os.path.join(WORK, "from p12.exe")
        shutil.copyfile(self.linked, p12)
        self.sign(p12, {"SIGN_CERT": os.path.join(WORK, "publisher.p12"), "SIGN_PASSWORD": "not a secret"})
        result = verification(p12)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertNotIn("The signature is timestamped", result.stdout)
        self.sign(p12, {})
        self.assertTrue(read(p12) == read(self.linked))

    def test_a_byte_changed_outside_the_carried_programs_breaks_the_signature(self):
        changed = os.path.join(WORK, "changed.exe")
        changed_byte(INSTALLER, changed, 0x1000)
        self.assertFalse(verifies(changed))

    def test_the_signed_installer_installs_its_signed_programs_and_refuses_a_changed_one(self):
        code, log, product = self.install(INSTALLER, "signed")
        self.assertEqual(code, 0, log)
        self.assertTrue(log.endswith("verdict ok 0\r\n"), log)
        for name, number in CARRIED.items():
            self.assertTrue(read(os.path.join(product, name)) == read(os.path.join(SIGNED, "contents", number)), name)
        player = read(os.path.join(SIGNED, "contents", CARRIED["Vorlane.exe"]))
        offset = read(INSTALLER).find(player[0x1000:0x1400])
        self.assertGreater(offset, 0, "the player's code is carried as it was built")
        damaged = os.path.join(WORK, "damaged.exe")
        changed_byte(INSTALLER, damaged, offset + 0x200)
        code, log, _ = self.install(damaged, "damaged")
        self.assertEqual(code, 3)
        self.assertNotIn("file ok", log)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
