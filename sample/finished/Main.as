package
{
	import flash.display.Shape;
	import flash.display.Sprite;
	import flash.events.Event;
	import flash.events.KeyboardEvent;
	import flash.events.TimerEvent;
	import flash.text.TextField;
	import flash.text.TextFormat;
	import flash.utils.Timer;

	// 落ちてくる星をかごで受け止めるゲームです。
	public class Main extends Sprite
	{
		// かご(プレイヤー)
		private var basket:Shape;

		// 矢印キーのキーコードと、押されているかどうか
		private static const KEY_LEFT:uint = 37;
		private static const KEY_RIGHT:uint = 39;
		private var leftDown:Boolean = false;
		private var rightDown:Boolean = false;

		// 落ちている星
		private var stars:Array = [];

		// 点数と残りの命、それを見せる文字
		private var score:int = 0;
		private var lives:int = 3;
		private var scoreText:TextField;

		// 星を降らせるタイマー
		private var starTimer:Timer;

		public function Main()
		{
			// かごを作って画面の下に置く
			basket = new Shape();
			basket.graphics.beginFill(0xFFCC33);
			basket.graphics.drawRoundRect(-40, -10, 80, 20, 10, 10);
			basket.graphics.endFill();
			basket.x = stage.stageWidth / 2;
			basket.y = stage.stageHeight - 30;
			addChild(basket);

			// キーが押されたときと離されたときに知らせてもらう
			stage.addEventListener(KeyboardEvent.KEY_DOWN, onKeyDown);
			stage.addEventListener(KeyboardEvent.KEY_UP, onKeyUp);
			// フレームごとに onEnterFrame を呼んでもらう
			addEventListener(Event.ENTER_FRAME, onEnterFrame);

			// 点数を表示する文字
			scoreText = new TextField();
			scoreText.defaultTextFormat = new TextFormat("_sans", 20, 0xFFFFFF);
			scoreText.x = 10;
			scoreText.y = 8;
			scoreText.width = stage.stageWidth - 20;
			scoreText.selectable = false;
			addChild(scoreText);
			showScore();

			// 0.8秒ごとに新しい星を降らせる
			starTimer = new Timer(800);
			starTimer.addEventListener(TimerEvent.TIMER, onTimer);
			starTimer.start();
		}

		// キーが押された
		private function onKeyDown(event:KeyboardEvent):void
		{
			if (event.keyCode == KEY_LEFT) {
				leftDown = true;
			} else if (event.keyCode == KEY_RIGHT) {
				rightDown = true;
			}
		}

		// キーが離された
		private function onKeyUp(event:KeyboardEvent):void
		{
			if (event.keyCode == KEY_LEFT) {
				leftDown = false;
			} else if (event.keyCode == KEY_RIGHT) {
				rightDown = false;
			}
		}

		// 毎フレームの動き
		private function onEnterFrame(event:Event):void
		{
			// かごを動かす(画面の外には出さない)
			if (leftDown && basket.x > 40) {
				basket.x -= 8;
			}
			if (rightDown && basket.x < stage.stageWidth - 40) {
				basket.x += 8;
			}

			// 星を落とす。後ろから順に調べると、途中で取り除いても番号がずれない
			for (var i:int = stars.length - 1; i >= 0; i--) {
				var star:Shape = stars[i];
				star.y += 4;
				if (Math.abs(star.x - basket.x) < 45 && Math.abs(star.y - basket.y) < 15) {
					// かごで受け止めた
					score += 10;
					removeStar(i);
					showScore();
				} else if (star.y > stage.stageHeight + 20) {
					// 受け止められなかった
					lives--;
					removeStar(i);
					showScore();
					if (lives <= 0) {
						gameOver();
						return;
					}
				}
			}
		}

		// 新しい星をひとつ作って、画面の上に置く
		private function addStar():void
		{
			var star:Shape = new Shape();
			star.graphics.beginFill(0xFFFF66);
			// とがった点とへこんだ点を交互につなぐ
			for (var i:int = 0; i < 10; i++) {
				var r:Number = (i % 2 == 0) ? 15 : 6;
				var a:Number = Math.PI * i / 5 - Math.PI / 2;
				if (i == 0) {
					star.graphics.moveTo(r * Math.cos(a), r * Math.sin(a));
				} else {
					star.graphics.lineTo(r * Math.cos(a), r * Math.sin(a));
				}
			}
			star.graphics.endFill();
			star.x = 20 + Math.random() * (stage.stageWidth - 40);
			star.y = -20;
			addChild(star);
			stars.push(star);
		}

		// i番目の星を画面と配列から取り除く
		private function removeStar(i:int):void
		{
			removeChild(stars[i]);
			stars.splice(i, 1);
		}

		// 点数と命を表示する
		private function showScore():void
		{
			scoreText.text = "SCORE: " + score + "   LIFE: " + lives;
		}

		// タイマーが鳴るたびに星を増やす
		private function onTimer(event:TimerEvent):void
		{
			addStar();
		}

		// ゲームオーバー: 星もかごも止める
		private function gameOver():void
		{
			starTimer.stop();
			removeEventListener(Event.ENTER_FRAME, onEnterFrame);
			scoreText.text = "GAME OVER   SCORE: " + score;
		}
	}
}
